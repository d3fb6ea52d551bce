#include "platform/linux/IBusInputSources.h"

#include "IBusFramework.h"
#include "LogCapture.h"
#include "TestRegistry.h"

#include <QSignalSpy>
#include <QTest>

using platform::IBusInputSources;
using platform::PlatformInputSource;
using platform::TextInputSources;

namespace {

const QString kUs = QStringLiteral("xkb:us::eng");
const QString kDe = QStringLiteral("xkb:de::deu");

QStringList listedIds(TextInputSources& backend)
{
    QStringList ids;
    for (const PlatformInputSource& entry : backend.enabledInputSources().value_or(QList<PlatformInputSource>{}))
        ids.append(entry.id.value_or(QString()));
    return ids;
}

std::optional<PlatformInputSource> entryWithId(TextInputSources& backend, const QString& id)
{
    for (const PlatformInputSource& entry : backend.enabledInputSources().value_or(QList<PlatformInputSource>{})) {
        if (entry.id == id)
            return entry;
    }
    return std::nullopt;
}

QString currentId(TextInputSources& backend)
{
    const auto current = backend.currentKeyboardInputSource();
    return current ? current->id.value_or(QString()) : QString();
}

} // namespace

// What the IBus backend does beyond the shared contract
// (InputSourcesContractTest), against IBus's daemon.
class IBusInputSourcesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<IBusFramework> m_framework;
    std::unique_ptr<TextInputSources> m_backend;

    bool start()
    {
        m_framework = std::make_unique<IBusFramework>();
        QString error;
        if (!m_framework->start(&error)) {
            qWarning("IBus does not start: %s", qPrintable(error));
            return false;
        }
        m_backend = m_framework->createBackend();
        return bool(m_backend);
    }

private slots:
    void cleanup() { m_backend.reset(), m_framework.reset(); }

    void withoutADaemonThereIsNoBackendAndAReason()
    {
        QVERIFY(start());
        m_backend.reset();
        QVERIFY(m_framework->kill());
        QString error;
        QVERIFY(!IBusInputSources::connect(&error));
        QVERIFY2(error.contains(QLatin1String("No IBus daemon")), qPrintable(error));
    }

    void listsThePreloadListInItsOrderWithoutUnknownEngines()
    {
        QVERIFY(start());
        QTRY_COMPARE(listedIds(*m_backend), QStringList({kUs, kDe}));
        QSignalSpy changes(m_backend.get(), &TextInputSources::selectedInputSourceChanged);
        QVERIFY(IBusFramework::setPreloadEngines({kDe, "no-such-engine", IBusFramework::kTestEngine, kUs}));
        QTRY_VERIFY(!changes.isEmpty());
        QCOMPARE(listedIds(*m_backend), QStringList({kDe, IBusFramework::kTestEngine, kUs}));

        // Long names; an icon only where the engine's icon is a file (XKB
        // engines name a theme icon).
        const auto test = entryWithId(*m_backend, IBusFramework::kTestEngine);
        QVERIFY(test);
        QCOMPARE(test->localizedName, QStringLiteral("Test Engine"));
        QCOMPARE(test->iconUrl, QUrl::fromLocalFile(IBusFramework::testEngineIcon()));
        QCOMPARE(test->isSelectCapable, true);
        const auto german = entryWithId(*m_backend, kDe);
        QVERIFY(german);
        QCOMPARE(german->localizedName, QStringLiteral("German"));
        QCOMPARE(german->iconUrl, std::nullopt);
    }

    void anEntryNoLongerListedIsNotFound()
    {
        QVERIFY(start());
        QTRY_COMPARE(listedIds(*m_backend), QStringList({kUs, kDe}));
        const auto german = entryWithId(*m_backend, kDe);
        QVERIFY(german);
        QVERIFY(IBusFramework::setPreloadEngines({kUs}));
        QCOMPARE(m_backend->selectInputSource(*german), TextInputSources::kStatusNotFound);
        QCOMPARE(currentId(*m_backend), kUs);
    }

    // The switch is held for a moment only: a window that takes the focus
    // later gets what the panel gives it.
    void aFocusChangeLongAfterASelectIsLeftAlone()
    {
        QVERIFY(start());
        QTRY_COMPARE(listedIds(*m_backend), QStringList({kUs, kDe}));
        QCOMPARE(m_backend->selectInputSource(*entryWithId(*m_backend, kDe)), TextInputSources::kStatusOk);
        QTest::qWait(IBusInputSources::kHoldMs + 200);
        QSignalSpy changes(m_backend.get(), &TextInputSources::selectedInputSourceChanged);
        QVERIFY(m_framework->focusNewInputContext());
        QTRY_VERIFY(!changes.isEmpty());
        QTest::qWait(300);
        QCOMPARE(currentId(*m_backend), kUs);
    }

    // A switch undone by a focus change and put back makes no notice.
    void aSwitchPutBackMakesNoNotice()
    {
        QVERIFY(start());
        QTRY_COMPARE(listedIds(*m_backend), QStringList({kUs, kDe}));
        QCOMPARE(m_backend->selectInputSource(*entryWithId(*m_backend, kDe)), TextInputSources::kStatusOk);
        QTRY_COMPARE(currentId(*m_backend), kDe);
        QTest::qWait(100);   // the notice of the select itself
        QSignalSpy changes(m_backend.get(), &TextInputSources::selectedInputSourceChanged);
        const LogCapture log;
        QVERIFY(m_framework->focusNewInputContext());
        QTRY_VERIFY(!log.infos().filter(QLatin1String("selecting xkb:de::deu again")).isEmpty());
        QTest::qWait(300);
        QCOMPARE(currentId(*m_backend), kDe);
        QCOMPARE(changes.size(), 0);
    }

    void followsADaemonThatComesBack()
    {
        QVERIFY(start());
        QTRY_COMPARE(listedIds(*m_backend), QStringList({kUs, kDe}));
        const LogCapture log;
        QSignalSpy changes(m_backend.get(), &TextInputSources::selectedInputSourceChanged);
        QVERIFY(m_framework->kill());
        QTRY_VERIFY(!log.errors().isEmpty());
        QCOMPARE(m_backend->enabledInputSources(), std::nullopt);
        QCOMPARE(m_backend->currentKeyboardInputSource(), std::nullopt);
        QCOMPARE(m_backend->selectInputSource(entryWithId(*m_backend, kDe).value_or(PlatformInputSource{})),
                 TextInputSources::kStatusFailed);
        QCOMPARE(log.errors().size(), 1);
        QVERIFY(!changes.isEmpty());

        // A new daemon writes its address; libibus connects to it.
        changes.clear();
        QString error;
        QVERIFY2(m_framework->start(&error), qPrintable(error));
        QTRY_VERIFY(!changes.isEmpty());
        QTRY_COMPARE(listedIds(*m_backend), QStringList({kUs, kDe}));
        QCOMPARE(m_backend->selectInputSource(*entryWithId(*m_backend, kDe)), TextInputSources::kStatusOk);
        QTRY_COMPARE(currentId(*m_backend), kDe);
        QCOMPARE(log.errors().size(), 1);
    }
};

KELVARO_TEST(IBusInputSourcesTest)
#include "IBusInputSourcesTest.moc"
