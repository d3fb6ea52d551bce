#pragma once

#include "core/InputSourceManager.h"
#include "core/RememberedInputSources.h"
#include "core/RuleEngine.h"
#include "core/RulesStore.h"
#include "core/SwitchFeedback.h"
#include "core/WindowWatcher.h"
#include "settings/UserDefaults.h"

#include "FakeTextInputSources.h"
#include "FakeUserNotifications.h"
#include "FakeWorkspace.h"
#include "TestFiles.h"

#include <QDir>
#include <QSaveFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

// Writes what the engine announces, in order, into one list shared with
// the notifications: "indicator <name> <id>", "sound", "notification <title> / <body>".
struct RecordingFeedback : platform::FakeUserNotifications, SwitchFeedback {
    QStringList events;
    std::function<void(const QString& name, const QString& id)> alsoShow;   // a real indicator, say
    void showIndicator(const QString& name, const QString& id) override
    {
        events << "indicator " + name + " " + id;
        if (alsoShow)
            alsoShow(name, id);
    }
    void playSwitchSound() override { events << QStringLiteral("sound"); }
    void add(const Request& request, Completion completion) override
    {
        events << "notification " + request.title + " / " + request.body;
        FakeUserNotifications::add(request, std::move(completion));
    }
};

// The rules file, counting its writes.
struct CountingRulesStore : RulesStore {
    using RulesStore::RulesStore;
    int writes = 0;
    bool commit(QSaveFile& file) override { return ++writes, RulesStore::commit(file); }
};

// The rule engine over in-memory platform fakes: input sources English (US),
// German and Russian (US current), nothing in front, switch feedback and
// notifications recorded, the rules file and the remembered sources in a
// temporary folder. The engine
// is made at once; set up the rules file, the settings or the frontmost
// application, then restart() it.
struct EngineOverFakes {
    static inline const QString kUS = QStringLiteral("xkb:us::eng");
    static inline const QString kDE = QStringLiteral("xkb:de::deu");
    static inline const QString kRU = QStringLiteral("xkb:ru::rus");

    QTemporaryDir folder;
    platform::FakeTextInputSources inputSources;
    std::unique_ptr<InputSourceManager> inputSourceManager;
    platform::FakeWorkspace workspace;
    std::unique_ptr<WindowWatcher> watcher;
    RecordingFeedback feedback;
    std::shared_ptr<CountingRulesStore> store;
    std::unique_ptr<RememberedInputSources> remembered;
    std::unique_ptr<RuleEngine> engine;

    explicit EngineOverFakes(QSettings& settings = UserDefaults::standard())
    {
        inputSources.entries = QList<platform::PlatformInputSource>{
            platform::FakeTextInputSources::entry(kUS, QStringLiteral("English (US)")),
            platform::FakeTextInputSources::entry(kDE, QStringLiteral("German")),
            platform::FakeTextInputSources::entry(kRU, QStringLiteral("Russian")),
        };
        inputSources.current = inputSources.entries->first();
        restart(settings);
    }

    // A new engine (and input source list and watcher), as at a new start.
    RuleEngine& restart(QSettings& settings = UserDefaults::standard())
    {
        engine.reset();
        remembered.reset();
        remembered = std::make_unique<RememberedInputSources>(rememberedPath());
        inputSourceManager = std::make_unique<InputSourceManager>(inputSources);
        watcher = std::make_unique<WindowWatcher>(workspace);
        engine = std::make_unique<RuleEngine>(RuleEngine::Dependencies{
            *inputSourceManager, *watcher, feedback, feedback, settings,
            store = std::make_shared<CountingRulesStore>(rulesPath()), remembered.get()});
        return *engine;
    }

    QString rulesPath() const { return QDir(folder.path()).filePath(QStringLiteral("Kelvaro/rules.json")); }
    QString rememberedPath() const { return QDir(folder.path()).filePath(QStringLiteral("Kelvaro/remembered.json")); }
    QString current() const { return inputSources.current ? inputSources.current->id.value_or(QString()) : QString(); }

    // Brings the application to the front and waits until the watcher has delivered it.
    bool activate(const platform::RunningApplication& application)
    {
        QSignalSpy delivered(watcher.get(), &WindowWatcher::activeAppChanged);
        workspace.activate(application);
        return delivered.wait(1000);
    }
};
