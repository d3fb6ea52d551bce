#pragma once

#include "FakeTextInputSources.h"
#include "FakeUserNotifications.h"
#include "FakeWorkspace.h"
#include "core/InputSourceManager.h"
#include "core/RuleEngine.h"
#include "core/RulesStore.h"
#include "core/SwitchFeedback.h"
#include "core/WindowWatcher.h"
#include "settings/UserDefaults.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

// Announces nothing.
struct SilentSwitchFeedback : SwitchFeedback {
    void showIndicator(const QString&, const QString&) override {}
    void playSwitchSound() override {}
};

// A rule engine over in-memory input sources (English (US) and German, German
// current), an empty workspace and a notification fake, with its rules file in
// a temporary folder.
struct EngineOverFakes {
    static inline const QString kUS = QStringLiteral("xkb:us::eng");
    static inline const QString kDE = QStringLiteral("xkb:de::deu");

    QTemporaryDir folder;
    platform::FakeTextInputSources inputSources;
    std::unique_ptr<InputSourceManager> inputSourceManager;
    platform::FakeWorkspace workspace;
    std::unique_ptr<WindowWatcher> watcher;
    SilentSwitchFeedback feedback;
    platform::FakeUserNotifications notifications;
    std::unique_ptr<RuleEngine> engine;

    explicit EngineOverFakes(QSettings& settings = UserDefaults::standard())
    {
        inputSources.entries = QList<platform::PlatformInputSource>{
            platform::FakeTextInputSources::entry(kUS, QStringLiteral("English (US)")),
            platform::FakeTextInputSources::entry(kDE, QStringLiteral("German")),
        };
        inputSources.current = inputSources.entries->at(1);
        inputSourceManager = std::make_unique<InputSourceManager>(inputSources);
        watcher = std::make_unique<WindowWatcher>(workspace);
        engine = std::make_unique<RuleEngine>(RuleEngine::Dependencies{
            *inputSourceManager, *watcher, feedback, notifications, settings, std::make_shared<RulesStore>(rulesPath())});
    }

    QString rulesPath() const { return QDir(folder.path()).filePath(QStringLiteral("Kelvaro/rules.json")); }
};
