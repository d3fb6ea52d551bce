#include "FakeTextInputSources.h"
#include "FakeUserNotifications.h"
#include "FakeWorkspace.h"
#include "core/AppRuleJson.h"
#include "core/InputSourceManager.h"
#include "core/RuleEngine.h"
#include "core/SwitchFeedback.h"
#include "core/WindowWatcher.h"
#include "settings/UserDefaults.h"

#include "LogCapture.h"
#include "OutputCapture.h"
#include "TestEnvironment.h"
#include "TestFiles.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using platform::FakeTextInputSources;
using platform::FakeUserNotifications;
using platform::FakeWorkspace;
using platform::RunningApplication;

namespace {

const QString kUS = QStringLiteral("xkb:us::eng");
const QString kDE = QStringLiteral("xkb:de::deu");
const QString kRU = QStringLiteral("xkb:ru::rus");

// Everything announced, in order, from indicator, sound and notifications alike.
struct Announcements : SwitchFeedback {
    QStringList events;
    void showIndicator(const QString& name, const QString& id) override { events << "indicator " + name + " " + id; }
    void playSwitchSound() override { events << QStringLiteral("sound"); }
};

class RecordingNotifications : public FakeUserNotifications {
public:
    explicit RecordingNotifications(QStringList& events)
        : m_events(events)
    {
    }
    void add(const Request& request, Completion completion) override
    {
        m_events << "notification " + request.title + " / " + request.body;
        FakeUserNotifications::add(request, std::move(completion));
    }

private:
    QStringList& m_events;
};

AppRule rule(const QString& bundleID, const QString& target, bool enabled = true)
{
    AppRule r = AppRule::create(bundleID, bundleID + QStringLiteral(" app"), target);
    r.isEnabled = enabled;
    return r;
}

// A store whose writes die, or fail, between writing the temporary file and
// renaming it over the rules file.
class InterruptedStore : public RulesStore {
public:
    enum class Mode { Crash, Fail };
    InterruptedStore(const QString& path, Mode mode)
        : RulesStore(path)
        , m_mode(mode)
    {
    }

protected:
    bool commit(QSaveFile& file) override
    {
        file.flush();
        if (m_mode == Mode::Crash)
            ::_exit(0);
        file.cancelWriting();
        return false;
    }

private:
    Mode m_mode;
};

} // namespace

class RuleEngineTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeTextInputSources> m_platform;
    std::unique_ptr<InputSourceManager> m_inputSources;
    std::unique_ptr<FakeWorkspace> m_workspace;
    std::unique_ptr<WindowWatcher> m_watcher;
    Announcements m_announcements;
    std::unique_ptr<RecordingNotifications> m_notifications;

    QSettings& settings() { return UserDefaults::standard(); }
    QString rulesPath() const { return m_folder->filePath(QStringLiteral("Kelvaro/rules.json")); }
    QStringList& events() { return m_announcements.events; }

    std::unique_ptr<RuleEngine> makeEngine(std::shared_ptr<RulesStore> store = nullptr)
    {
        if (!store)
            store = std::make_shared<RulesStore>(rulesPath());
        return std::make_unique<RuleEngine>(RuleEngine::Dependencies{*m_inputSources, *m_watcher, m_announcements,
                                                                     *m_notifications, settings(), store});
    }

    void writeRules(const QList<AppRule>& rules) { QVERIFY(writeFile(rulesPath(), AppRuleJson::encode(rules))); }

    static RunningApplication app(qint64 pid, const std::optional<QString>& bundleID)
    {
        return FakeWorkspace::application(pid, bundleID);
    }

    // Brings an application to the front and lets the watcher deliver it.
    void activate(const RunningApplication& application)
    {
        QSignalSpy delivered(m_watcher.get(), &WindowWatcher::activeAppChanged);
        m_workspace->activate(application);
        QVERIFY(delivered.wait(1000));
    }

    QString currentSource() const { return m_platform->current ? m_platform->current->id.value_or(QString()) : QString(); }

private slots:
    void init()
    {
        settings().clear();
        m_folder = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<FakeTextInputSources>();
        m_platform->entries = QList<platform::PlatformInputSource>{
            FakeTextInputSources::entry(kUS, QStringLiteral("English (US)")),
            FakeTextInputSources::entry(kDE, QStringLiteral("German")),
            FakeTextInputSources::entry(kRU, QStringLiteral("Russian")),
        };
        m_inputSources = std::make_unique<InputSourceManager>(*m_platform);
        m_workspace = std::make_unique<FakeWorkspace>();
        m_watcher = std::make_unique<WindowWatcher>(*m_workspace);
        events().clear();
        m_notifications = std::make_unique<RecordingNotifications>(events());
    }

    void matchesTheFirstEnabledRuleElseTheDefault()
    {
        writeRules({rule("org.gnome.Terminal", kDE, false), rule("org.gnome.Terminal", kRU),
                    rule("org.gnome.Terminal", kUS), rule("org.example.Disabled", kRU, false)});
        settings().setValue("defaultInputSourceID", kUS);
        LogCapture log;
        const auto engine = makeEngine();

        activate(app(1, QStringLiteral("org.gnome.Terminal")));
        QCOMPARE(currentSource(), kRU);
        activate(app(2, QStringLiteral("org.example.Disabled")));
        QCOMPARE(currentSource(), kUS);
        QCOMPARE(log.infos().filter(QStringLiteral("[")),
                 (QStringList{"[Match] org.gnome.Terminal -> xkb:ru::rus",
                              "[Fallback] org.example.Disabled -> xkb:us::eng"}));
        QCOMPARE(events(), (QStringList{"indicator Russian xkb:ru::rus", "sound", "indicator English (US) xkb:us::eng",
                                        "sound"}));
    }

    void noDefaultOrAnEmptyOneDoesNothing_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("absent") << QVariant();
        QTest::newRow("empty") << QVariant(QString());
    }

    void noDefaultOrAnEmptyOneDoesNothing()
    {
        QFETCH(QVariant, stored);
        if (stored.isValid())
            settings().setValue("defaultInputSourceID", stored);
        writeRules({rule("org.gnome.Terminal", kDE, false)});
        LogCapture log;
        const auto engine = makeEngine();
        activate(app(1, QStringLiteral("org.gnome.Terminal")));
        QVERIFY(m_platform->selected.isEmpty());
        QVERIFY(log.infos().filter(QStringLiteral("[")).isEmpty());
        QVERIFY(events().isEmpty());
        QCOMPARE(settings().contains("defaultInputSourceID"), stored.isValid());
    }

    void repeatsAreDroppedAndPauseStopsEverything()
    {
        writeRules({rule("x", kDE), rule("y", kRU)});
        const auto engine = makeEngine();
        const RunningApplication x = app(10, QStringLiteral("x"));
        activate(x);
        activate(x);
        QCOMPARE(m_platform->selected.size(), 1);

        QSignalSpy paused(engine.get(), &RuleEngine::isPausedChanged);
        engine->setPaused(true);
        activate(app(11, QStringLiteral("y")));
        QCOMPARE(m_platform->selected.size(), 1);
        engine->setPaused(false);
        QCOMPARE(paused.count(), 2);
        QCOMPARE(m_platform->selected.size(), 1); // resuming does not re-evaluate
        activate(x);
        QCOMPARE(m_platform->selected.size(), 2);
        QCOMPARE(currentSource(), kDE);
    }

    void frontmostApplicationAtStartIsHandledDuringConstruction()
    {
        writeRules({rule("org.gnome.Terminal", kRU)});
        m_workspace->frontmost = app(1, QStringLiteral("org.gnome.Terminal"));
        m_watcher = std::make_unique<WindowWatcher>(*m_workspace);
        const auto engine = makeEngine();
        QCOMPARE(currentSource(), kRU);
        QCOMPARE(events().size(), 2);
    }

    void ownWindowsAndApplicationsWithoutIdentifier()
    {
        settings().setValue("defaultInputSourceID", kDE);
        const auto engine = makeEngine();
        // No bundle identifier: not even the default.
        activate(app(1, std::nullopt));
        QVERIFY(m_platform->selected.isEmpty());
        // Kelvaro's own settings window is an application like any other.
        activate(app(QCoreApplication::applicationPid(), QStringLiteral("com.kelvaro.Kelvaro")));
        QCOMPARE(currentSource(), kDE);
    }

    void feedbackFollowsOnlyASuccessfulSelection()
    {
        writeRules({rule("gone", QStringLiteral("xkb:fr::fra")), rule("refused", kRU), rule("current", kUS)});
        settings().setValue("defaultInputSourceID", kDE);
        settings().setValue("showNotification", true);
        LogCapture log;
        const auto engine = makeEngine();

        // A target the platform no longer offers: the match is logged, the default not tried.
        activate(app(1, QStringLiteral("gone")));
        QVERIFY(m_platform->selected.isEmpty());
        QCOMPARE(log.infos().filter(QStringLiteral("[")), QStringList{"[Match] gone -> xkb:fr::fra"});

        m_platform->selectStatus = platform::TextInputSources::kStatusFailed;
        activate(app(2, QStringLiteral("refused")));
        QVERIFY(events().isEmpty());

        // Selecting what already is current is a switch like any other.
        m_platform->selectStatus = platform::TextInputSources::kStatusOk;
        m_platform->current = m_platform->entries->first();
        activate(app(3, QStringLiteral("current")));
        QCOMPARE(events(), (QStringList{"indicator English (US) xkb:us::eng", "sound",
                                        "notification Input Source Changed / English (US)"}));
    }

    void aTargetEnabledAfterLaunchIsAnnouncedByItsIdentifier()
    {
        writeRules({rule("x", QStringLiteral("xkb:fr::fra"))});
        settings().setValue("showNotification", true);
        const auto engine = makeEngine();
        m_platform->entries->append(FakeTextInputSources::entry(QStringLiteral("xkb:fr::fra"), QStringLiteral("French")));
        activate(app(1, QStringLiteral("x")));
        QCOMPARE(events(), (QStringList{"indicator xkb:fr::fra xkb:fr::fra", "sound",
                                        "notification Input Source Changed / xkb:fr::fra"}));
    }

    void notificationsFollowTheSettingAndReportErrors()
    {
        writeRules({rule("a", kDE), rule("b", kRU)});
        const auto engine = makeEngine();
        activate(app(1, QStringLiteral("a")));
        QVERIFY(m_notifications->requests.isEmpty());

        settings().setValue("showNotification", true);
        m_notifications->error = QStringLiteral("The name org.freedesktop.Notifications was not provided");
        LogCapture log;
        activate(app(2, QStringLiteral("b")));
        activate(app(1, QStringLiteral("a")));
        QCOMPARE(m_notifications->requests.size(), 2);
        const auto& first = m_notifications->requests[0];
        QCOMPARE(first.title, QStringLiteral("Input Source Changed"));
        QCOMPARE(first.body, QStringLiteral("Russian"));
        QVERIFY(first.silent);
        QVERIFY(first.identifier != m_notifications->requests[1].identifier);
        QVERIFY(AppRuleJson::parseUuid(first.identifier));
        QTRY_COMPARE(log.errors().size(), 2);
        QCOMPARE(log.errors().first(),
                 QStringLiteral("Notification error: The name org.freedesktop.Notifications was not provided"));
    }

    void addReplacesInPlaceAndDeleteAlwaysSaves()
    {
        const AppRule a = rule("a", kDE);
        const AppRule b = rule("b", kRU);
        const AppRule c = rule("c", kUS);
        writeRules({a, b, c});
        const auto engine = makeEngine();
        QSignalSpy changed(engine.get(), &RuleEngine::rulesChanged);

        const AppRule newB = rule("b", kUS);
        engine->addRule(newB);
        QCOMPARE(engine->rules(), (QList<AppRule>{a, newB, c}));
        const AppRule d = rule("d", kDE);
        engine->addRule(d);
        QCOMPARE(engine->rules(), (QList<AppRule>{a, newB, c, d}));
        QCOMPARE(*AppRuleJson::decode(fileContent(rulesPath())), engine->rules());

        QFile::remove(rulesPath());
        engine->deleteRule(rule("unknown", kUS));
        QCOMPARE(engine->rules().size(), 4);
        QCOMPARE(*AppRuleJson::decode(fileContent(rulesPath())), engine->rules());
        engine->deleteRule(newB);
        QCOMPARE(engine->rules(), (QList<AppRule>{a, c, d}));
        QCOMPARE(changed.count(), 4);
    }

    void defaultInputSourceIsReadAndWritten()
    {
        settings().setValue("defaultInputSourceID", kRU);
        const auto engine = makeEngine();
        QCOMPARE(engine->defaultInputSourceID(), kRU);
        engine->setDefaultInputSourceID(kDE);
        QCOMPARE(settings().value("defaultInputSourceID").toString(), kDE);
        engine->setDefaultInputSourceID(std::nullopt);
        QVERIFY(!settings().contains("defaultInputSourceID"));
    }

    void loadingPrintsFailuresAndRewritesValidFilesCompactly()
    {
        {
            OutputCapture out(STDOUT_FILENO);
            const auto engine = makeEngine();
            QVERIFY(engine->rules().isEmpty());
            QVERIFY(out.text().startsWith("Failed to load rules (might be fresh install): "));
            QVERIFY2(!QFile::exists(rulesPath()), "a first launch writes no file until the first change");
            QVERIFY(QFileInfo(rulesPath()).dir().exists());
            engine->addRule(rule("a", kDE));
            QVERIFY2(!QFile::exists(rulesPath() + ".damaged"), "a missing file is not a damaged one");
            QFile::remove(rulesPath());
        }
        const QList<AppRule> rules{rule("org.gnome.Terminal", kDE), rule("/usr/bin/xterm", kRU)};
        const QByteArray indented = QJsonDocument::fromJson(AppRuleJson::encode(rules)).toJson(QJsonDocument::Indented);
        QVERIFY(writeFile(rulesPath(), indented));
        const auto engine = makeEngine();
        QCOMPARE(engine->rules(), rules);
        QCOMPARE(fileContent(rulesPath()), AppRuleJson::encode(rules));
    }

    void aDamagedRulesFileIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray valid = AppRuleJson::encode({rule("a", kDE), rule("b", kRU)});
        QTest::newRow("truncated") << valid.left(valid.size() / 2);
        QTest::newRow("object instead of array") << QByteArray(R"({"rules":[]})");
        QTest::newRow("empty") << QByteArray();
    }

    void aDamagedRulesFileIsKeptAside()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(rulesPath(), content));
        OutputCapture out(STDOUT_FILENO);
        LogCapture log;
        const auto engine = makeEngine();
        QVERIFY(out.text().startsWith("Failed to load rules (might be fresh install): "));
        QVERIFY(engine->rules().isEmpty());
        QCOMPARE(fileContent(rulesPath()), content); // untouched until the first change

        QVERIFY(writeFile(rulesPath() + ".damaged", "an older damaged file"));
        engine->addRule(rule("c", kUS));
        QCOMPARE(fileContent(rulesPath() + ".damaged"), content);
        QCOMPARE(*AppRuleJson::decode(fileContent(rulesPath())), engine->rules());
        QCOMPARE(log.errors().filter(QStringLiteral("rules.json.damaged")).size(), 1);

        engine->addRule(rule("d", kUS)); // moved once only
        QCOMPARE(fileContent(rulesPath() + ".damaged"), content);
    }

    void aSaveInterruptedBeforeTheRenameLeavesTheOldFile()
    {
        const QList<AppRule> before{rule("a", kDE), rule("b", kRU)};
        writeRules(before);
        const QByteArray old = fileContent(rulesPath());

        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            RulesStore* store = new InterruptedStore(rulesPath(), InterruptedStore::Mode::Crash);
            QString error;
            QList<AppRule> after = before;
            after.append(rule("c", kUS));
            store->save(after, &error);
            ::_exit(1); // not reached: the store dies before renaming
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QCOMPARE(fileContent(rulesPath()), old);

        // A failing rename: the message is printed, memory keeps the change.
        const auto engine =
            makeEngine(std::make_shared<InterruptedStore>(rulesPath(), InterruptedStore::Mode::Fail));
        OutputCapture out(STDOUT_FILENO);
        engine->addRule(rule("c", kUS));
        QVERIFY(out.text().startsWith("Failed to save rules: "));
        QCOMPARE(engine->rules().size(), 3);
        QCOMPARE(*AppRuleJson::decode(fileContent(rulesPath())), before);
    }
};

KELVARO_TEST_MAIN(RuleEngineTest, QCoreApplication)
#include "tst_ruleengine.moc"
