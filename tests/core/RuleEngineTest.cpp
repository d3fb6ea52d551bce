#include "core/AppRuleJson.h"

#include "EngineOverFakes.h"
#include "LogCapture.h"
#include "OutputCapture.h"
#include "TestRegistry.h"

#include <QJsonDocument>
#include <QTest>

using platform::FakeWorkspace;
using platform::RunningApplication;

namespace {

const QString kUS = EngineOverFakes::kUS;
const QString kDE = EngineOverFakes::kDE;
const QString kRU = EngineOverFakes::kRU;

AppRule rule(const QString& bundleID, const QString& target, bool enabled = true)
{
    AppRule made = AppRule::create(bundleID, bundleID + QStringLiteral(" app"), target);
    made.isEnabled = enabled;
    return made;
}

RunningApplication app(qint64 pid, const std::optional<QString>& bundleID)
{
    return FakeWorkspace::application(pid, bundleID);
}

QStringList decisions(const LogCapture& log)
{
    return log.infos().filter(QRegularExpression(QStringLiteral("^\\[(Match|Remembered|Fallback)\\] ")));
}

} // namespace

// The rule engine over fakes: what it decides and selects for each
// application that comes to the front, what it announces, and the rules file.
class RuleEngineTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineOverFakes> m_fakes;
    EngineOverFakes& fakes() { return *m_fakes; }
    RuleEngine& engine() { return *m_fakes->engine; }
    QStringList& events() { return m_fakes->feedback.events; }
    QSettings& settings() { return UserDefaults::standard(); }

    void writeRules(const QList<AppRule>& rules)
    {
        QVERIFY(writeFile(fakes().rulesPath(), AppRuleJson::encode(rules)));
    }

private slots:
    void init()
    {
        settings().clear();
        OutputCapture quiet(STDOUT_FILENO);   // "Failed to load rules": there are none yet
        m_fakes = std::make_unique<EngineOverFakes>();
    }

    void decides_data()
    {
        QTest::addColumn<QList<AppRule>>("rules");
        QTest::addColumn<QVariant>("storedDefault");
        QTest::addColumn<std::optional<QString>>("bundleID");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("logged");
        // While remembering is on, the source remembered for the application (none when empty).
        QTest::addColumn<std::optional<QString>>("remembered");
        const std::optional<QString> terminal = QStringLiteral("org.gnome.Terminal");
        const QList<AppRule> disabledOnly{rule("org.gnome.Terminal", kDE, false)};
        const auto row = [](const char* name, const QList<AppRule>& rules, const QVariant& storedDefault,
                            const std::optional<QString>& bundleID, const QString& selected, const QString& logged,
                            const std::optional<QString>& remembered = std::nullopt) {
            QTest::newRow(name) << rules << storedDefault << bundleID << selected << logged << remembered;
        };
        row("the first enabled rule",
            {rule("org.gnome.Terminal", kDE, false), rule("org.gnome.Terminal", kRU), rule("org.gnome.Terminal", kUS)},
            kUS, terminal, kRU, "[Match] org.gnome.Terminal -> xkb:ru::rus");
        row("a disabled rule falls back", disabledOnly, kDE, terminal, kDE, "[Fallback] org.gnome.Terminal -> xkb:de::deu");
        row("no default", disabledOnly, QVariant(), terminal, QString(), QString());
        row("an empty default", disabledOnly, QString(), terminal, QString(), QString());
        row("no bundle identifier", {}, kDE, std::nullopt, QString(), QString());
        row("Kelvaro itself", {}, kDE, QStringLiteral("com.kelvaro.Kelvaro"), kDE,
            "[Fallback] com.kelvaro.Kelvaro -> xkb:de::deu");
        row("a target not offered: the default is not tried", {rule("org.gnome.Terminal", QStringLiteral("xkb:fr::fra"))},
            kDE, terminal, QString(), "[Match] org.gnome.Terminal -> xkb:fr::fra");
        row("a rule before the remembered source", {rule("org.gnome.Terminal", kRU)}, kUS, terminal, kRU,
            "[Match] org.gnome.Terminal -> xkb:ru::rus", kDE);
        row("the remembered source before the default", disabledOnly, kUS, terminal, kRU,
            "[Remembered] org.gnome.Terminal -> xkb:ru::rus", kRU);
        row("a remembered source not offered: the default", disabledOnly, kUS, terminal, kUS,
            "[Fallback] org.gnome.Terminal -> xkb:us::eng", QStringLiteral("xkb:fr::fra"));
    }

    void decides()
    {
        QFETCH(QList<AppRule>, rules);
        QFETCH(QVariant, storedDefault);
        QFETCH(std::optional<QString>, bundleID);
        QFETCH(QString, selected);
        QFETCH(QString, logged);
        QFETCH(std::optional<QString>, remembered);
        writeRules(rules);
        if (storedDefault.isValid())
            settings().setValue("defaultInputSourceID", storedDefault);
        settings().setValue("rememberPerApplication", remembered.has_value());
        fakes().restart();
        if (remembered)
            fakes().remembered->remember(*bundleID, *remembered);
        LogCapture log;
        QVERIFY(fakes().activate(app(1, bundleID)));
        QCOMPARE(fakes().inputSources.selected.isEmpty(), selected.isEmpty());
        if (!selected.isEmpty())
            QCOMPARE(fakes().current(), selected);
        QCOMPARE(decisions(log), logged.isEmpty() ? QStringList() : QStringList{logged});
        const bool unavailable = !logged.isEmpty() && selected.isEmpty();
        QCOMPARE(log.infos().filter("Input source not available: ").join(""),
                 unavailable ? "Input source not available: " + logged.section(" -> ", 1) : QString());
        QCOMPARE(events().size(), selected.isEmpty() ? 0 : 2);
        // Passed over, not forgotten.
        if (remembered)
            QCOMPARE(fakes().remembered->recall(*bundleID), remembered);
    }

    // Each application left gets the source in use as it is left, unless a
    // rule decides for it; whoever chose that source.
    void remembersTheSourceLeftInEachApplication()
    {
        settings().setValue("rememberPerApplication", true);
        writeRules({rule("ruled", kDE)});
        fakes().restart();
        QSignalSpy switched(&engine(), &RuleEngine::switched);
        QVERIFY(fakes().activate(app(1, QStringLiteral("a"))));
        QVERIFY(fakes().inputSources.selected.isEmpty());
        fakes().inputSources.current = fakes().inputSources.entries->at(2);   // Russian, chosen by hand
        QVERIFY(fakes().activate(app(2, QStringLiteral("ruled"))));
        QVERIFY(fakes().activate(app(3, QStringLiteral("b"))));
        fakes().inputSources.current = fakes().inputSources.entries->at(0);
        LogCapture log;
        QVERIFY(fakes().activate(app(1, QStringLiteral("a"))));
        QCOMPARE(fakes().current(), kRU);
        QVERIFY(fakes().activate(app(3, QStringLiteral("b"))));
        QCOMPARE(fakes().current(), kUS);
        QCOMPARE(decisions(log), (QStringList{"[Remembered] a -> xkb:ru::rus", "[Remembered] b -> xkb:us::eng"}));
        QCOMPARE(switched.size(), 3);
        QCOMPARE(switched.at(1), (QVariantList{"a", kRU, QVariant::fromValue(SwitchDecision::Reason::Remembered)}));
        QCOMPARE(fakes().remembered->recall(QStringLiteral("ruled")), std::nullopt);
    }

    void announcesOnlyWhatWasSelected()
    {
        writeRules({rule("refused", kRU), rule("current", kUS), rule("later", QStringLiteral("xkb:fr::fra"))});
        fakes().restart();
        fakes().inputSources.selectStatus = platform::TextInputSources::kStatusFailed;
        QVERIFY(fakes().activate(app(1, QStringLiteral("refused"))));
        QVERIFY(events().isEmpty());

        // Selecting what already is current is a switch like any other; the
        // notification follows the setting, read at each switch.
        fakes().inputSources.selectStatus = platform::TextInputSources::kStatusOk;
        QVERIFY(fakes().activate(app(2, QStringLiteral("current"))));
        QCOMPARE(events(), (QStringList{"indicator English (US) xkb:us::eng", "sound"}));
        settings().setValue("showNotification", true);
        fakes().feedback.error = QStringLiteral("The name org.freedesktop.Notifications was not provided");
        LogCapture log;
        QVERIFY(fakes().activate(app(1, QStringLiteral("refused"))));
        QCOMPARE(events().mid(2), (QStringList{"indicator Russian xkb:ru::rus", "sound",
                                               "notification Input Source Changed / Russian"}));

        // A target enabled after launch is selected and announced by its identifier.
        fakes().inputSources.entries->append(
            platform::FakeTextInputSources::entry(QStringLiteral("xkb:fr::fra"), QStringLiteral("French")));
        QVERIFY(fakes().activate(app(3, QStringLiteral("later"))));
        QCOMPARE(events().last(), QStringLiteral("notification Input Source Changed / xkb:fr::fra"));

        const auto& requests = fakes().feedback.requests;
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests[0].silent);
        QVERIFY(AppRuleJson::parseUuid(requests[0].identifier) && requests[0].identifier != requests[1].identifier);
        QTRY_COMPARE(log.errors(),
                     QStringList{"Notification error: The name org.freedesktop.Notifications was not provided"});
    }

    // Names from other programs cannot break or flood the log; a failure
    // that comes back at every switch is logged once, then counted.
    void theLogStaysReadable()
    {
        settings().setValue("defaultInputSourceID", kDE);
        settings().setValue("showNotification", true);
        fakes().restart();
        fakes().feedback.error = QStringLiteral("no answer\nForged line");
        LogCapture log;
        const QString huge = QStringLiteral("c").repeated(1 << 20);
        for (int i = 0; i < 30; ++i)
            QVERIFY(fakes().activate(app(i, i % 2 ? huge : QStringLiteral("evil\n[Match] forged -> x"))));
        QTRY_COMPARE(log.errors().size(), 2);   // the first failure, then "10 more times"
        fakes().feedback.error.reset();
        QVERIFY(fakes().activate(app(30, QStringLiteral("fine"))));
        QTRY_COMPARE(log.errors().size(), 3);   // the series ends with its count
        QVERIFY(log.errors().last().endsWith(QStringLiteral("(29 more times in all)")));
        QCOMPARE(decisions(log).size(), 31);
        for (const QString& line : log.messages()) {
            QVERIFY2(!line.contains(QLatin1Char('\n')) && line.size() < 400, qPrintable(line.left(80)));
        }
    }

    void repeatsPauseAndApplicationsSharingAProcess()
    {
        writeRules({rule("x", kDE), rule("y", kRU), rule("libreoffice-writer", kUS),
                    rule("libreoffice-calc", kDE)});
        fakes().restart();
        const RunningApplication x = app(10, QStringLiteral("x"));
        QVERIFY(fakes().activate(x));
        QVERIFY(fakes().activate(x));
        QCOMPARE(fakes().inputSources.selected.size(), 1);

        // Writer and Calc are windows of one process: each is its own application.
        QVERIFY(fakes().activate(app(20, QStringLiteral("libreoffice-writer"))));
        QCOMPARE(fakes().current(), kUS);
        QVERIFY(fakes().activate(app(20, QStringLiteral("libreoffice-calc"))));
        QCOMPARE(fakes().current(), kDE);
        QVERIFY(fakes().activate(app(20, QStringLiteral("libreoffice-writer"))));
        QCOMPARE(fakes().current(), kUS);

        engine().setPaused(true);
        QVERIFY(fakes().activate(app(11, QStringLiteral("y"))));
        QCOMPARE(fakes().current(), kUS);
        engine().setPaused(false);   // resuming does not look at the application in front
        QCOMPARE(fakes().current(), kUS);
        QVERIFY(fakes().activate(x));
        QCOMPARE(fakes().current(), kDE);
    }

    void addReplacesInPlaceDeleteRemovesByIdEachSaves()
    {
        const AppRule a = rule("a", kDE), b = rule("b", kRU), c = rule("c", kUS);
        writeRules({a, b, c});
        fakes().restart();
        QSignalSpy changed(&engine(), &RuleEngine::rulesChanged);
        const AppRule newB = rule("b", kUS);
        engine().addRule(newB);
        const AppRule d = rule("d", kDE);
        engine().addRule(d);
        QCOMPARE(engine().rules(), (QList<AppRule>{a, newB, c, d}));
        QCOMPARE(AppRuleJson::decode(fileContent(fakes().rulesPath())), engine().rules());

        QFile::remove(fakes().rulesPath());
        engine().deleteRule(rule("unknown", kUS));
        QCOMPARE(AppRuleJson::decode(fileContent(fakes().rulesPath())), engine().rules());
        engine().deleteRule(newB);
        QCOMPARE(engine().rules(), (QList<AppRule>{a, c, d}));
        QCOMPARE(changed.count(), 4);
    }

    void theDefaultIsReadAndWritten()
    {
        settings().setValue("defaultInputSourceID", kRU);
        fakes().restart();
        QCOMPARE(engine().defaultInputSourceID(), kRU);
        engine().setDefaultInputSourceID(kDE);
        QCOMPARE(settings().value("defaultInputSourceID"), QVariant(kDE));
        engine().setDefaultInputSourceID(std::nullopt);
        QVERIFY(!settings().contains("defaultInputSourceID"));
    }

    void loadingAndSavingFailuresArePrinted()
    {
        const QString path = fakes().rulesPath();
        {
            OutputCapture out(STDOUT_FILENO);
            fakes().restart();
            QVERIFY(out.text().contains("Failed to load rules (might be fresh install): "));
            QVERIFY2(!QFile::exists(path), "no file until the first change");
        }
        // A valid file is rewritten in compact form at once.
        const QList<AppRule> rules{rule("org.gnome.Terminal", kDE), rule("/usr/bin/xterm", kRU)};
        QVERIFY(writeFile(path, QJsonDocument::fromJson(AppRuleJson::encode(rules)).toJson(QJsonDocument::Indented)));
        fakes().restart();
        QCOMPARE(engine().rules(), rules);
        QCOMPARE(fileContent(path), AppRuleJson::encode(rules));

        // A file where the folder should be: nothing can be written, the list stays in memory.
        QDir(QFileInfo(path).path()).removeRecursively();
        QVERIFY(writeFile(QFileInfo(path).path(), "not a folder"));
        OutputCapture out(STDOUT_FILENO);
        fakes().restart();
        engine().addRule(rule("a", kDE));
        const QByteArray printed = out.text();
        QVERIFY2(printed.contains("Failed to load rules (might be fresh install): "), printed.constData());
        QVERIFY2(printed.contains("Failed to save rules: "), printed.constData());
        QCOMPARE(engine().rules().size(), 1);
        QCOMPARE(fileContent(QFileInfo(path).path()), QByteArray("not a folder"));
    }

    // The rules file edited by hand (or by a dotfile sync) while Kelvaro runs.
    void editsOfTheFileByOthersAreReloaded()
    {
        writeRules({rule("x", kDE)});
        fakes().restart();
        QSignalSpy changed(&engine(), &RuleEngine::rulesChanged);
        engine().addRule(rule("y", kUS));
        QTest::qWait(500);   // our own save is no edit
        QCOMPARE(changed.count(), 1);

        const QList<AppRule> edited{rule("x", kRU), rule("y", kUS)};
        writeRules(edited);
        QTRY_COMPARE(engine().rules(), edited);
        QVERIFY(fakes().activate(app(1, QStringLiteral("x"))));
        QCOMPARE(fakes().current(), kRU);
        const AppRule z = rule("z", kDE);
        engine().addRule(z);
        QCOMPARE(AppRuleJson::decode(fileContent(fakes().rulesPath())), edited + QList<AppRule>{z});

        // An edit that cannot be read keeps the list, and the file is kept aside at the next save.
        LogCapture log;
        QVERIFY(writeFile(fakes().rulesPath(), "[{\"id\":"));
        QTRY_COMPARE(log.errors().filter(QStringLiteral("rules.json")).size(), 1);
        QCOMPARE(engine().rules().size(), 3);
        engine().deleteRule(z);
        QCOMPARE(fileContent(fakes().rulesPath() + ".damaged"), QByteArray("[{\"id\":"));
        QCOMPARE(AppRuleJson::decode(fileContent(fakes().rulesPath())), edited);
    }

    void inputSourcesAreListedOnceWithTheirNames()
    {
        platform::PlatformInputSource nameless, idless;
        nameless.id = QStringLiteral("xkb:foo::");
        fakes().inputSources.entries = QList<platform::PlatformInputSource>{
            platform::FakeTextInputSources::entry(kUS, QStringLiteral("English (US)"), true),
            platform::FakeTextInputSources::entry(kDE, QStringLiteral("German"), false), idless, nameless};
        LogCapture log;
        InputSourceManager manager(fakes().inputSources);
        QCOMPARE(manager.installedInputSources(),
                 (QList<InputSource>{{kUS, QStringLiteral("English (US)"), std::nullopt},
                                     {QStringLiteral("xkb:foo::"), QStringLiteral("Unknown"), std::nullopt}}));
        // No list at all: said once, the previous list stays.
        fakes().inputSources.entries.reset();
        manager.loadInputSources();
        QCOMPARE(log.messages(), (QStringList{"Loaded 2 input sources", "Failed to get input source list"}));
        QCOMPARE(manager.installedInputSources().size(), 2);
        // None at first: read at the first notice that brings one.
        InputSourceManager late(fakes().inputSources);
        fakes().inputSources.changeCurrent(std::nullopt);
        fakes().inputSources.entries = QList<platform::PlatformInputSource>{platform::FakeTextInputSources::entry(kDE, "German")};
        fakes().inputSources.changeCurrent(std::nullopt);
        QCOMPARE(late.installedInputSources(), (QList<InputSource>{{kDE, QStringLiteral("German"), std::nullopt}}));
        QCOMPARE(log.errors().size(), 2);
    }

};

KELVARO_TEST(RuleEngineTest)
#include "RuleEngineTest.moc"
