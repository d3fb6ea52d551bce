#include "platform/linux/XkbInputSources.h"

#include "core/InputSourceManager.h"
#include "feedback/MenuBarIndicatorController.h"
#include "settings/UserDefaults.h"

#include "OpenConnection.h"
#include "TestRegistry.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using platform::PlatformInputSource;
using platform::TextInputSources;

namespace {

const QStringList kIds{"xkb:us::eng", "xkb:de::deu", "xkb:ru::rus"};

bool setLayouts(const QStringList& layouts, const QStringList& variants = {})
{
    QString error;
    const bool loaded = TestEnvironment::current().xServer()->setLayouts(layouts, variants, &error);
    if (!loaded)
        qWarning("%s", qPrintable(error));
    return loaded;
}

} // namespace

// The groups of a real keymap: listed, locked, and followed as other
// clients lock groups or load keymaps.
class XkbInputSourcesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XTestClient> m_client;
    std::unique_ptr<platform::XConnection> m_connection;
    std::unique_ptr<platform::XkbInputSources> m_sources;

    QStringList ids()
    {
        QStringList result;
        const auto sources = m_sources->enabledInputSources().value_or(QList<PlatformInputSource>{});
        for (const PlatformInputSource& source : sources)
            result.append(source.id.value_or(QStringLiteral("(none)")));
        return result;
    }

    PlatformInputSource entry(int group)
    {
        return m_sources->enabledInputSources().value_or(QList<PlatformInputSource>{}).value(group);
    }

private slots:
    void init()
    {
        m_client = std::make_unique<XTestClient>();
        m_client->deleteProperty(m_client->root(), "_XKB_RULES_NAMES");   // a test may have left garbage there
        QVERIFY(setLayouts({"us", "de", "ru"}));
        QVERIFY(m_client->lockGroup(0));
        m_connection = openConnection();
        QVERIFY(m_connection);
        m_sources = std::make_unique<platform::XkbInputSources>(*m_connection);
        QVERIFY(m_sources->isAvailable());
    }

    void cleanup()
    {
        m_sources.reset();
        m_connection.reset();
        m_client.reset();
    }

    void listsAndLocksTheKeymapGroupsInOrder()
    {
        QCOMPARE(ids(), kIds);
        QCOMPARE(entry(0).localizedName, QStringLiteral("English (US)"));
        for (const int group : {1, 2, 0, 2}) {
            QCOMPARE(m_sources->selectInputSource(entry(group)), TextInputSources::kStatusOk);
            QCOMPARE(m_client->lockedGroup(), group);   // for every client
            QCOMPARE(m_sources->currentKeyboardInputSource()->id, kIds[group]);
        }
    }

    void entriesNoLongerInTheKeymapAreNotFound()
    {
        const PlatformInputSource russian = entry(2);
        PlatformInputSource unnamed = entry(1);
        unnamed.id.reset();
        QVERIFY(setLayouts({"us", "de"}));
        PlatformInputSource moved = russian;
        moved.handle = 1;   // a group that holds German now
        for (const PlatformInputSource& stale : {russian, moved, unnamed})
            QCOMPARE(m_sources->selectInputSource(stale), TextInputSources::kStatusNotFound);
        QCOMPARE(m_client->lockedGroup(), 0);   // the keyboard was left alone
    }

    // Through the manager, as the menu bar shows it.
    void theMenuBarFollowsGroupLocksOfOtherClients()
    {
        InputSourceManager manager(*m_sources);
        MenuBarIndicatorController indicator(manager, UserDefaults::standard());
        QCOMPARE(indicator.currentInputSourceName(), QStringLiteral("English (US)"));
        QVERIFY(m_client->lockGroup(2));
        QTRY_COMPARE(indicator.currentInputSourceName(), QStringLiteral("Russian"));
        QCOMPARE(indicator.currentInputSourceIcon(), QStringLiteral("🇷🇺"));
        QVERIFY(m_client->lockGroup(1));
        QTRY_COMPARE(indicator.currentInputSourceName(), QStringLiteral("German"));
    }

    void aNewKeymapIsNoticedAndListed_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("keymap only") << "xkbcomp" << QStringList{"xkb:fr::fra", "xkb:de:nodeadkeys:deu"};
        QTest::newRow("rules names only") << "property" << kIds;
        QTest::newRow("a key's symbols") << "xmodmap" << kIds;
    }

    void aNewKeymapIsNoticedAndListed()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, expected);
        QCOMPARE(ids(), kIds);   // listed before the change
        QSignalSpy changed(m_sources.get(), &TextInputSources::selectedInputSourceChanged);
        if (how == "xkbcomp") {   // the keymap alone, _XKB_RULES_NAMES left as it was
            const char* pipe = "setxkbmap -print -layout fr,de -variant ,nodeadkeys | xkbcomp -w 0 - $DISPLAY";
            QCOMPARE(QProcess::execute("sh", {"-c", pipe}), 0);
        } else if (how == "property") {
            m_client->setStringProperty(m_client->root(), "_XKB_RULES_NAMES",
                                        QByteArray("evdev\0pc105\0us,fr,ru\0\0", 22), "STRING");
        } else {   // the core request xmodmap makes
            const xcb_keysym_t symbols[]{'q', 'Q'};
            xcb_change_keyboard_mapping(m_client->connection(), 1, 38, 2, symbols);
            m_client->sync();
        }
        QTRY_VERIFY(changed.count() >= 1);
        QCOMPARE(ids(), expected);
        QCOMPARE(m_sources->selectInputSource(entry(1)), TextInputSources::kStatusOk);
        QCOMPARE(m_client->lockedGroup(), 1);
    }

    // _XKB_RULES_NAMES is a note any client may write; when it does not fit
    // the keymap, the keymap's own names tell.
    void rulesNamesThatDoNotFitGiveWayToTheKeymap_data()
    {
        QTest::addColumn<QByteArray>("value");   // null: the property deleted
        QTest::addColumn<QString>("second");
        const QString german = QStringLiteral("xkb:de:nodeadkeys:deu");
        QTest::newRow("deleted") << QByteArray() << german;
        QTest::newRow("fewer layouts than groups") << QByteArray("evdev\0pc105\0us,de\0\0", 19) << german;
        QTest::newRow("garbage") << QByteArray("\xff\x01::+()\0\xfe", 9) << german;
        // As xkbcomp leaves it: the count fits, the order is another keymap's.
        QTest::newRow("another order") << QByteArray("evdev\0pc105\0de,us,ru\0nodeadkeys,,\0", 34) << german;
    }

    void rulesNamesThatDoNotFitGiveWayToTheKeymap()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, second);
        QVERIFY(setLayouts({"us", "de", "ru"}, {"", "nodeadkeys", ""}));
        if (value.isNull())
            m_client->deleteProperty(m_client->root(), "_XKB_RULES_NAMES");
        else
            m_client->setStringProperty(m_client->root(), "_XKB_RULES_NAMES", value, "STRING");
        QCOMPARE(ids(), (QStringList{"xkb:us::eng", second, "xkb:ru::rus"}));
        QCOMPARE(entry(1).localizedName, QStringLiteral("German (no dead keys)"));
        QCOMPARE(m_sources->selectInputSource(entry(2)), TextInputSources::kStatusOk);
        QCOMPARE(m_client->lockedGroup(), 2);
    }

    void theRootEventMaskOfOtherListenersIsKept()
    {
        xcb_connection_t* c = m_connection->connection();
        const uint32_t theirs = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, m_connection->rootWindow(), XCB_CW_EVENT_MASK, &theirs);
        platform::XkbInputSources sources(*m_connection);
        const platform::XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, m_connection->rootWindow()), nullptr));
        QCOMPARE(attributes->your_event_mask, uint32_t(theirs | XCB_EVENT_MASK_PROPERTY_CHANGE));
    }
};

KELVARO_TEST(XkbInputSourcesTest)
#include "XkbInputSourcesTest.moc"
