#include "core/AppRule.h"
#include "core/RulesStore.h"
#include "platform/TextInputSources.h"

#include "InputMethodFramework.h"
#include "KelvaroProcess.h"
#include "LogCapture.h"
#include "TestRegistry.h"

#include <QSettings>

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using platform::PlatformInputSource;
using platform::TextInputSources;

namespace {

QList<std::pair<QString, QString>> listed(TextInputSources& backend)
{
    QList<std::pair<QString, QString>> entries;
    for (const PlatformInputSource& entry : backend.enabledInputSources().value_or(QList<PlatformInputSource>{}))
        entries.append({entry.id.value_or(QString()), entry.localizedName.value_or(QString())});
    return entries;
}

std::optional<QString> currentId(TextInputSources& backend)
{
    const auto current = backend.currentKeyboardInputSource();
    return current ? current->id : std::nullopt;
}

std::optional<PlatformInputSource> entryWithId(TextInputSources& backend, const QString& id)
{
    for (const PlatformInputSource& entry : backend.enabledInputSources().value_or(QList<PlatformInputSource>{})) {
        if (entry.id == id)
            return entry;
    }
    return std::nullopt;
}

} // namespace

namespace QTest {
template <>
char* toString(const std::optional<QString>& id)
{
    return qstrdup(id ? qPrintable(*id) : "(none)");
}
} // namespace QTest

// What the rule engine relies on of an input source backend, checked the same
// way against XKB and each input method framework's real daemon.
class InputSourcesContractTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InputMethodFramework> m_framework;
    std::unique_ptr<TextInputSources> m_backend;

    void addFrameworkRows()
    {
        QTest::addColumn<QString>("framework");
        for (const auto& [name, factory] : InputMethodFramework::all())
            QTest::newRow(qPrintable(name)) << name;
    }

    // Starts the row's framework and a backend on it.
    bool startFramework()
    {
        QFETCH(QString, framework);
        for (const auto& [name, factory] : InputMethodFramework::all()) {
            if (name == framework)
                m_framework = factory();
        }
        QString error;
        if (!m_framework || !m_framework->start(&error))
            qWarning("%s does not start: %s", qPrintable(framework), qPrintable(error));
        else
            m_backend = m_framework->createBackend();
        return bool(m_backend);
    }

private slots:
    void cleanup() { m_backend.reset(), m_framework.reset(); }

    void listsSelectsAndFollowsOtherClients_data() { addFrameworkRows(); }
    void listsSelectsAndFollowsOtherClients()
    {
        QVERIFY(startFramework());
        const auto expected = m_framework->expectedSources();
        QTRY_COMPARE(listed(*m_backend), expected);
        QCOMPARE(currentId(*m_backend), expected[0].first);

        QSignalSpy changes(m_backend.get(), &TextInputSources::selectedInputSourceChanged);
        const auto second = entryWithId(*m_backend, expected[1].first);
        QVERIFY(second);
        QCOMPARE(m_backend->selectInputSource(*second), TextInputSources::kStatusOk);
        QTRY_COMPARE(currentId(*m_backend), expected[1].first);

        changes.clear();
        QVERIFY(m_framework->selectFromAnotherClient(expected[0].first));
        QTRY_VERIFY(!changes.isEmpty());
        QTRY_COMPARE(currentId(*m_backend), expected[0].first);
    }

    // A window comes to the front, the switch is made, and only then does
    // the window's input context take the focus: the switch must hold.
    void aSwitchHoldsWhenTheNewInputContextTakesTheFocus_data() { addFrameworkRows(); }
    void aSwitchHoldsWhenTheNewInputContextTakesTheFocus()
    {
        QVERIFY(startFramework());
        const auto expected = m_framework->expectedSources();
        QTRY_COMPARE(listed(*m_backend), expected);
        const auto second = entryWithId(*m_backend, expected[1].first);
        QVERIFY(second);
        QCOMPARE(m_backend->selectInputSource(*second), TextInputSources::kStatusOk);
        if (!m_framework->focusNewInputContext())
            QSKIP("no input contexts in this framework");
        QTest::qWait(500);
        QCOMPARE(currentId(*m_backend), expected[1].first);
    }

    // The session's workspace follows the application in front.
    void followsTheApplicationInFront_data() { addFrameworkRows(); }
    void followsTheApplicationInFront()
    {
        QVERIFY(startFramework());
        const std::unique_ptr<platform::Workspace> workspace = m_framework->createWorkspace();
        QVERIFY(workspace);
        QSignalSpy activated(workspace.get(), &platform::Workspace::applicationActivated);
        QVERIFY(activated.isValid());
        const auto front = [&] { return workspace->frontmostApplication().value_or(platform::RunningApplication()).bundleIdentifier; };
        for (const QString appId : {"org.example.Editor", "org.example.Other", "org.example.Editor"}) {
            activated.clear();
            QVERIFY(m_framework->activateApplication(appId));
            QTRY_VERIFY(!activated.isEmpty());
            QCOMPARE(front(), appId);
        }
        QStringList running;
        for (const platform::RunningApplication& application : workspace->runningApplications())
            running << application.bundleIdentifier.value_or(QString());
        QVERIFY2(running.contains("org.example.Editor") && running.contains("org.example.Other"), qPrintable(running.join(' ')));
    }

    // The program itself, started where the framework runs, switches it for
    // the application in front: by rule, by default, not while paused.
    void theProgramSwitchesForTheApplicationInFront_data() { addFrameworkRows(); }
    void theProgramSwitchesForTheApplicationInFront()
    {
        QVERIFY(startFramework());
        const auto expected = m_framework->expectedSources();
        QTRY_COMPARE(listed(*m_backend), expected);
        const QString us = expected[0].first, de = expected[1].first;
        QSettings settings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
        settings.setValue("indicatorEnabled", false);
        settings.setValue("soundEnabled", false);
        settings.setValue("defaultInputSourceID", us);
        settings.sync();
        QString error;
        QVERIFY2(RulesStore(RulesStore::defaultPath()).save({AppRule::create("org.example.Editor", "Editor", de)}, &error),
                 qPrintable(error));
        QProcessEnvironment environment = m_framework->programEnvironment();
        environment.insert("KELVARO_BACKEND", m_framework->session());
        const auto command = [&](const QString& name) {
            KelvaroProcess process(KelvaroProcess::besideThisProgram(), environment);
            return process.start({name}) && process.exitCode(10000) == 0;
        };
        QVERIFY(m_framework->activateApplication("org.example.Plain"));
        QVERIFY(m_framework->selectFromAnotherClient(de));
        QTRY_COMPARE(currentId(*m_backend), de);

        KelvaroProcess kelvaro(KelvaroProcess::besideThisProgram(), environment, KelvaroProcess::Errors::Keep);
        QVERIFY(kelvaro.start());
        // Its decision for the application in front at start: it is up.
        QTRY_COMPARE_WITH_TIMEOUT(currentId(*m_backend), us, 10000);
        const auto activate = [&](const QString& appId, const QString& id) {
            QVERIFY(m_framework->activateApplication(appId));
            m_framework->focusNewInputContext();
            QTRY_COMPARE_WITH_TIMEOUT(currentId(*m_backend), id, 10000);
        };
        const auto lines = [&] {
            return QString::fromUtf8(kelvaro.errorOutput()).split('\n').filter(QRegularExpression("^\\[(Match|Fallback)\\] "));
        };
        const QString plain = "[Fallback] org.example.Plain -> " + us, editor = "[Match] org.example.Editor -> " + de;
        activate("org.example.Editor", de);
        activate("org.example.Plain", us);
        QVERIFY(command("pause"));
        activate("org.example.Editor", us);
        QTest::qWait(1000);   // nothing comes of it
        QCOMPARE(currentId(*m_backend), us);
        QVERIFY(command("resume"));
        // Seen before the next one: otherwise both may be read as one, the application seen last.
        activate("org.example.Plain", us);
        QTRY_COMPARE(lines().size(), 4);
        activate("org.example.Editor", de);
        QTRY_COMPARE(lines(), (QStringList{plain, editor, plain, plain, editor}));
    }

    void aDaemonThatDiesGivesFailuresAndALogLine_data() { addFrameworkRows(); }
    void aDaemonThatDiesGivesFailuresAndALogLine()
    {
        QVERIFY(startFramework());
        const auto expected = m_framework->expectedSources();
        QTRY_COMPARE(listed(*m_backend), expected);
        const auto second = entryWithId(*m_backend, expected[1].first);
        const LogCapture log;
        if (!m_framework->kill())
            QSKIP("the framework cannot end alone");
        QTRY_VERIFY(!log.errors().isEmpty());
        QCOMPARE(m_backend->selectInputSource(*second), TextInputSources::kStatusFailed);
        QCOMPARE(currentId(*m_backend), std::nullopt);
    }
};

KELVARO_TEST(InputSourcesContractTest)
#include "InputSourcesContractTest.moc"
