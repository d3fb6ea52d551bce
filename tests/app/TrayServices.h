#pragma once

#include "app/StatusMenu.h"
#include "app/UserDefaults.h"
#include "core/InputSourceManager.h"
#include "core/RuleEngine.h"
#include "core/RulesStore.h"
#include "core/SwitchFeedback.h"
#include "core/WindowWatcher.h"
#include "feedback/MenuBarIndicatorController.h"
#include "platform/fake/FakeTextInputSources.h"
#include "platform/fake/FakeUserNotifications.h"
#include "platform/fake/FakeWorkspace.h"

#include <QDir>
#include <QPair>
#include <QTemporaryDir>

#include <memory>

// What the tray item is given in the program, built over in-memory input
// sources: a rule engine (no rules, nothing in front) and a menu-bar indicator
// whose current source is German. The menu's actions are recorded.
struct TrayServices {
    static inline const QString kUS = QStringLiteral("xkb:us::eng");
    static inline const QString kDE = QStringLiteral("xkb:de::deu");

    struct SilentFeedback : SwitchFeedback {
        void showIndicator(const QString&, const QString&) override {}
        void playSwitchSound() override {}
    };

    QTemporaryDir folder;
    platform::FakeTextInputSources inputSources;
    std::unique_ptr<InputSourceManager> inputSourceManager;
    platform::FakeWorkspace workspace;
    std::unique_ptr<WindowWatcher> watcher;
    SilentFeedback feedback;
    platform::FakeUserNotifications notifications;
    std::unique_ptr<RuleEngine> engine;
    std::unique_ptr<MenuBarIndicatorController> indicator;

    QList<QPair<QString, QString>> messages;   // text, icon
    int settingsOpened = 0;
    int quitRequests = 0;

    TrayServices()
    {
        inputSources.entries = QList<platform::PlatformInputSource>{
            platform::FakeTextInputSources::entry(kUS, QStringLiteral("English (US)")),
            platform::FakeTextInputSources::entry(kDE, QStringLiteral("German")),
        };
        inputSources.current = inputSources.entries->at(1);
        inputSourceManager = std::make_unique<InputSourceManager>(inputSources);
        watcher = std::make_unique<WindowWatcher>(workspace);
        engine = std::make_unique<RuleEngine>(RuleEngine::Dependencies{
            *inputSourceManager, *watcher, feedback, notifications, UserDefaults::standard(),
            std::make_shared<RulesStore>(QDir(folder.path()).filePath(QStringLiteral("rules.json")))});
        indicator = std::make_unique<MenuBarIndicatorController>(*inputSourceManager, UserDefaults::standard());
    }

    StatusMenu::Actions actions()
    {
        StatusMenu::Actions result;
        result.openSettings = [this] { ++settingsOpened; };
        result.quit = [this] { ++quitRequests; };
        result.showMessage = [this](const QString& text, const QString& icon) { messages.append({text, icon}); };
        return result;
    }
};
