#include "platform/linux/XkbInputSources.h"

#include "core/InputSourceManager.h"
#include "platform/InputSourceCountry.h"
#include "platform/linux/KeyboardLayoutRegistry.h"
#include "platform/linux/XConnection.h"

#include "LogCapture.h"
#include "MinimalXServer.h"
#include "OpenConnection.h"
#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using platform::PlatformInputSource;
using platform::TextInputSources;
using platform::XConnection;
using platform::XkbInputSources;

namespace {

const QStringList kLayouts{"us", "de", "ru"};
const QStringList kIds{"xkb:us::eng", "xkb:de::deu", "xkb:ru::rus"};

QStringList ids(const QList<PlatformInputSource>& sources)
{
    QStringList result;
    for (const PlatformInputSource& source : sources)
        result.append(source.id.value_or(QStringLiteral("(none)")));
    return result;
}

} // namespace

class XkbInputSourcesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XConnection> m_connection;
    std::unique_ptr<XkbInputSources> m_sources;
    std::unique_ptr<XTestClient> m_client;

    static void setLayouts(const QStringList& layouts, const QStringList& variants = {})
    {
        QString error;
        QVERIFY2(TestEnvironment::current().xServer()->setLayouts(layouts, variants, &error), qPrintable(error));
    }

    PlatformInputSource entry(const QString& id)
    {
        const auto sources = m_sources->enabledInputSources();
        if (sources) {
            for (const PlatformInputSource& source : *sources) {
                if (source.id == id)
                    return source;
            }
        }
        qWarning("no entry %s", qPrintable(id));
        return {};
    }

private slots:
    void init()
    {
        m_client = std::make_unique<XTestClient>(TestEnvironment::current().xServer()->displayName());
        QVERIFY(m_client->isConnected());
        // setxkbmap reads its rules file name from this property; a test may have left garbage in it.
        m_client->deleteProperty(m_client->root(), "_XKB_RULES_NAMES");
        setLayouts(kLayouts);
        QVERIFY(m_client->lockGroup(0));
        m_connection = openConnection();
        QVERIFY(m_connection);
        m_sources = std::make_unique<XkbInputSources>(*m_connection);
        QVERIFY(m_sources->isAvailable());
    }

    void cleanup()
    {
        m_sources.reset();
        m_connection.reset();
        m_client.reset();
    }

    void listsTheKeymapGroupsInOrder()
    {
        const auto sources = m_sources->enabledInputSources();
        QVERIFY(sources);
        QCOMPARE(sources->size(), 3);
        QCOMPARE(ids(*sources), kIds);
        const QStringList names{"English (US)", "German", "Russian"};
        const QStringList countries{"US", "DE", "RU"};
        for (int group = 0; group < 3; ++group) {
            const PlatformInputSource& source = sources->at(group);
            QCOMPARE(source.localizedName, names[group]);
            QCOMPARE(platform::countryOfInputSource(*source.id), countries[group]);
            QCOMPARE(source.handle, group);
            QCOMPARE(source.isSelectCapable, true);
            QVERIFY(!source.iconUrl);
        }
    }

    void selectingLocksTheGroupForEveryClient()
    {
        QCOMPARE(m_sources->currentKeyboardInputSource()->id, kIds[0]);

        QCOMPARE(m_sources->selectInputSource(entry(kIds[1])), TextInputSources::kStatusOk);
        QCOMPARE(m_client->lockedGroup(), 1);
        QCOMPARE(m_sources->currentKeyboardInputSource()->id, kIds[1]);

        QCOMPARE(m_sources->selectInputSource(entry(kIds[2])), TextInputSources::kStatusOk);
        QCOMPARE(m_client->lockedGroup(), 2);
        const auto current = m_sources->currentKeyboardInputSource();
        QVERIFY(current);
        QCOMPARE(*current, entry(kIds[2]));

        // Selecting the current source again is a normal success.
        QCOMPARE(m_sources->selectInputSource(entry(kIds[2])), TextInputSources::kStatusOk);
        QCOMPARE(m_client->lockedGroup(), 2);
    }

    void anotherClientsGroupLockIsNoticed()
    {
        QSignalSpy changed(m_sources.get(), &TextInputSources::selectedInputSourceChanged);
        QVERIFY(m_client->lockGroup(2));
        QTRY_VERIFY(changed.count() >= 1);
        QCOMPARE(m_sources->currentKeyboardInputSource()->id, kIds[2]);

        changed.clear();
        QVERIFY(m_client->lockGroup(1));
        QTRY_VERIFY(changed.count() >= 1);
        QCOMPARE(m_sources->currentKeyboardInputSource()->id, kIds[1]);
    }

    void unrelatedRootPropertiesAreNotNoticed()
    {
        QSignalSpy changed(m_sources.get(), &TextInputSources::selectedInputSourceChanged);
        m_client->setStringProperty(m_client->root(), "_KELVARO_TEST", "x");
        QTest::qWait(150);
        QCOMPARE(changed.count(), 0);
    }

    void theRootEventMaskOfOtherBackendsIsKept()
    {
        // Another backend on the same connection already listens to the root window.
        auto connection = openConnection();
        QVERIFY(connection);
        xcb_connection_t* c = connection->connection();
        const uint32_t theirs = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, connection->rootWindow(), XCB_CW_EVENT_MASK, &theirs);

        XkbInputSources sources(*connection);
        platform::XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            c, xcb_get_window_attributes(c, connection->rootWindow()), nullptr));
        QVERIFY(attributes);
        QCOMPARE(attributes->your_event_mask,
                 uint32_t(XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE));
    }

    void aKeymapChangeIsNoticedAndListed()
    {
        QCOMPARE(m_sources->enabledInputSources()->size(), 3);   // listed before the change
        QSignalSpy changed(m_sources.get(), &TextInputSources::selectedInputSourceChanged);
        setLayouts({"us", "de"}, {"", "nodeadkeys"});
        QTRY_VERIFY(changed.count() >= 1);

        const auto sources = m_sources->enabledInputSources();
        QVERIFY(sources);
        QCOMPARE(ids(*sources), (QStringList{"xkb:us::eng", "xkb:de:nodeadkeys:deu"}));
        QCOMPARE(sources->at(1).localizedName, QStringLiteral("German (no dead keys)"));
        QCOMPARE(platform::countryOfInputSource(*sources->at(1).id), QStringLiteral("DE"));
        QCOMPARE(m_sources->selectInputSource(sources->at(1)), TextInputSources::kStatusOk);
        QCOMPARE(m_client->lockedGroup(), 1);
    }

    void aKeymapLoadedWithoutRulesNamesIsNoticedAndListed()
    {
        // xkbcomp loads a keymap and leaves _XKB_RULES_NAMES alone: the XKB
        // events alone announce it, and the stale property (three layouts for
        // two groups) must give way to the keymap's symbols name.
        const QString display = TestEnvironment::current().xServer()->displayName();
        QProcess print;
        QProcess load;
        print.setStandardOutputProcess(&load);
        print.start(QStringLiteral("setxkbmap"), {"-display", display, "-print", "-layout", "fr,de", "-variant",
                                                  ",nodeadkeys"});
        load.start(QStringLiteral("xkbcomp"), {"-w", "0", "-", display});
        QSignalSpy changed(m_sources.get(), &TextInputSources::selectedInputSourceChanged);
        QVERIFY(print.waitForFinished(20000) && print.exitCode() == 0);
        QVERIFY(load.waitForFinished(20000) && load.exitCode() == 0);
        QTRY_VERIFY(changed.count() >= 1);

        const auto sources = m_sources->enabledInputSources();
        QVERIFY(sources);
        QCOMPARE(ids(*sources), (QStringList{"xkb:fr::fra", "xkb:de:nodeadkeys:deu"}));
        QCOMPARE(sources->at(0).localizedName, QStringLiteral("French"));
        QCOMPARE(platform::countryOfInputSource(*sources->at(0).id), QStringLiteral("FR"));
    }

    void entriesNotInTheKeymapAreNotFound()
    {
        const PlatformInputSource russian = entry(kIds[2]);
        setLayouts({"us", "de"});
        // The group that held Russian is gone.
        QCOMPARE(m_sources->selectInputSource(russian), TextInputSources::kStatusNotFound);

        PlatformInputSource moved = russian;
        moved.handle = 1;   // a group that exists but holds German
        QCOMPARE(m_sources->selectInputSource(moved), TextInputSources::kStatusNotFound);

        PlatformInputSource unnamed = entry(kIds[1]);
        unnamed.id.reset();
        QCOMPARE(m_sources->selectInputSource(unnamed), TextInputSources::kStatusNotFound);

        PlatformInputSource noHandle = entry(kIds[1]);
        noHandle.handle = -1;
        QCOMPARE(m_sources->selectInputSource(noHandle), TextInputSources::kStatusNotFound);

        QCOMPARE(m_client->lockedGroup(), 0);   // none of these touched the keyboard
    }

    void keymapSymbolsNameStandsInForTheRulesNames_data()
    {
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("deleted") << true << QByteArray();
        QTest::newRow("empty") << false << QByteArray();
        QTest::newRow("fewer fields") << false << QByteArray("evdev\0pc105", 11);
        QTest::newRow("fewer layouts than groups") << false << QByteArray("evdev\0pc105\0us,de\0\0", 19);
        QTest::newRow("more layouts than groups") << false << QByteArray("evdev\0pc105\0us,de,ru,fr\0\0", 25);
        QTest::newRow("empty layout") << false << QByteArray("evdev\0pc105\0us,,ru\0\0", 20);
        QTest::newRow("garbage") << false << QByteArray("\xff\x01::+()\0\xfe", 9);
    }

    void keymapSymbolsNameStandsInForTheRulesNames()
    {
        QFETCH(bool, deleted);
        QFETCH(QByteArray, value);
        setLayouts({"us", "de", "ru"}, {"", "nodeadkeys", ""});
        if (deleted)
            m_client->deleteProperty(m_client->root(), "_XKB_RULES_NAMES");
        else
            m_client->setStringProperty(m_client->root(), "_XKB_RULES_NAMES", value, "STRING");

        const auto sources = m_sources->enabledInputSources();
        QVERIFY(sources);
        QCOMPARE(ids(*sources), (QStringList{"xkb:us::eng", "xkb:de:nodeadkeys:deu", "xkb:ru::rus"}));
        QCOMPARE(sources->at(1).localizedName, QStringLiteral("German (no dead keys)"));
        QCOMPARE(m_sources->selectInputSource(sources->at(2)), TextInputSources::kStatusOk);
        QCOMPARE(m_sources->currentKeyboardInputSource()->id, QStringLiteral("xkb:ru::rus"));
    }

    void rulesNamesChangeIsNoticedAndListed()
    {
        QCOMPARE(ids(*m_sources->enabledInputSources()), kIds);   // listed before the change
        QSignalSpy changed(m_sources.get(), &TextInputSources::selectedInputSourceChanged);
        m_client->setStringProperty(m_client->root(), "_XKB_RULES_NAMES",
                                    QByteArray("evdev\0pc105\0us,fr,ru\0\0", 22), "STRING");
        QTRY_VERIFY(changed.count() >= 1);
        QCOMPARE(ids(*m_sources->enabledInputSources()), (QStringList{"xkb:us::eng", "xkb:fr::fra", "xkb:ru::rus"}));
    }

    void anUnknownLayoutKeepsAnIdentifierAndTheGroupName()
    {
        m_client->setStringProperty(m_client->root(), "_XKB_RULES_NAMES",
                                    QByteArray("evdev\0pc105\0us,foo,ru\0,,\0", 25), "STRING");
        const auto sources = m_sources->enabledInputSources();
        QVERIFY(sources);
        QCOMPARE(ids(*sources), (QStringList{"xkb:us::eng", "xkb:foo::", "xkb:ru::rus"}));
        // No registry entry: the name the keymap gives its group, no country.
        QCOMPARE(sources->at(1).localizedName, QStringLiteral("German"));
        QVERIFY(!platform::countryOfInputSource(*sources->at(1).id));
        QCOMPARE(m_sources->selectInputSource(sources->at(1)), TextInputSources::kStatusOk);
        QCOMPARE(m_client->lockedGroup(), 1);
    }

    void theInputSourceManagerSelectsThroughTheBackend()
    {
        InputSourceManager manager(*m_sources);
        const QList<InputSource> installed = manager.installedInputSources();
        QCOMPARE(installed.size(), 3);
        QCOMPARE(installed[1], (InputSource{"xkb:de::deu", "German", std::nullopt}));
        QCOMPARE(manager.getInputSourceName(QStringLiteral("xkb:ru::rus")), QStringLiteral("Russian"));

        QVERIFY(manager.selectInputSource(QStringLiteral("xkb:de::deu")));
        const auto current = manager.getCurrentInputSource();
        QVERIFY(current);
        QCOMPARE(current->id, QStringLiteral("xkb:de::deu"));
        QCOMPARE(current->name, QStringLiteral("German"));
        QCOMPARE(m_client->lockedGroup(), 1);

        QVERIFY(!manager.selectInputSource(QStringLiteral("xkb:fr::fra")));
        QCOMPARE(m_client->lockedGroup(), 1);
    }

    void aServerWithoutUsableXkeyboardIsReportedOnce_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("message");
        QTest::newRow("absent") << false << "The X server has no XKEYBOARD extension";
        QTest::newRow("refused") << true << "The X server's XKEYBOARD extension 1.0 is not usable";
    }

    void aServerWithoutUsableXkeyboardIsReportedOnce()
    {
        QFETCH(bool, refused);
        QFETCH(QString, message);
        MinimalXServer server(refused ? MinimalXServer::Xkeyboard::Refused : MinimalXServer::Xkeyboard::Absent);
        QVERIFY(server.isListening());
        auto connection = openConnection(server.displayName());
        QVERIFY(connection);

        LogCapture log;
        XkbInputSources sources(*connection);
        QVERIFY(!sources.isAvailable());
        QCOMPARE(log.errors().size(), 1);
        QVERIFY2(log.errors().first().startsWith(message), qPrintable(log.errors().first()));

        QVERIFY(!sources.enabledInputSources());
        QVERIFY(!sources.currentKeyboardInputSource());
        QCOMPARE(sources.selectInputSource(PlatformInputSource{true, "xkb:us::eng", {}, {}, 0}),
                 TextInputSources::kStatusFailed);

        log.clear();
        InputSourceManager manager(sources);
        QVERIFY(manager.installedInputSources().isEmpty());
        QCOMPARE(log.errors(), QStringList{"Failed to get input source list"});
        QVERIFY(!manager.selectInputSource(QStringLiteral("xkb:us::eng")));
        QVERIFY(!manager.getCurrentInputSource());
        QVERIFY(!connection->hasError());
    }
};

KELVARO_TEST_MAIN(XkbInputSourcesTest, QCoreApplication, .display = true, .xkbLayouts = {"us", "de", "ru"},
                  .xkbVariants = {})

#include "tst_xkbinputsources.moc"
