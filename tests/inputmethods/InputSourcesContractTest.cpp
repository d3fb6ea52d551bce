#include "core/AppRule.h"
#include "core/RulesStore.h"
#include "platform/TextInputSources.h"

#include "InputMethodFramework.h"
#include "KelvaroProcess.h"
#include "LogCapture.h"
#include "TestRegistry.h"
#include "XTestClient.h"

#include <QSettings>

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

    // The program itself, started where the framework runs, switches it for
    // the application in front.
    void theProgramSwitchesForTheApplicationInFront_data() { addFrameworkRows(); }
    void theProgramSwitchesForTheApplicationInFront()
    {
        QVERIFY(startFramework());
        const auto expected = m_framework->expectedSources();
        QTRY_COMPARE(listed(*m_backend), expected);
        QSettings settings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
        settings.setValue("indicatorEnabled", false);
        settings.setValue("soundEnabled", false);
        settings.sync();
        QString error;
        QVERIFY2(RulesStore(RulesStore::defaultPath())
                     .save({AppRule::create("org.example.Editor", "Editor", expected[1].first),
                            AppRule::create("org.example.Other", "Other", expected[0].first)},
                           &error),
                 qPrintable(error));
        XTestClient client;
        XTestClient::WindowProperties editor = XTestClient::WindowProperties::ofClass("Example-editor", 601);
        editor.gtkApplicationId = "org.example.Editor";
        XTestClient::WindowProperties other = XTestClient::WindowProperties::ofClass("Example-other", 602);
        other.gtkApplicationId = "org.example.Other";
        const xcb_window_t editorWindow = client.createWindow(editor);
        const xcb_window_t otherWindow = client.createWindow(other);
        client.setActiveWindow(otherWindow);
        QVERIFY(m_framework->selectFromAnotherClient(expected[1].first));
        QTRY_COMPARE(currentId(*m_backend), expected[1].first);

        KelvaroProcess kelvaro(KelvaroProcess::besideThisProgram());
        QVERIFY(kelvaro.start());
        // Its decision for the window in front at start: it is up.
        QTRY_COMPARE_WITH_TIMEOUT(currentId(*m_backend), expected[0].first, 10000);
        for (const auto& [window, id] : {std::pair(editorWindow, expected[1].first), std::pair(otherWindow, expected[0].first),
                                         std::pair(editorWindow, expected[1].first)}) {
            client.setActiveWindow(window);
            m_framework->focusNewInputContext();
            QTRY_COMPARE_WITH_TIMEOUT(currentId(*m_backend), id, 10000);
        }
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
