#include "feedback/InputSourceIndicatorController.h"
#include "platform/linux/X11WindowEffects.h"

#include "OpenConnection.h"
#include "TestRegistry.h"
#include "XTestClient.h"

#include <QApplication>
#include <QSettings>
#include <QTest>

// The effects a compositor offers, with a second client playing the
// compositor: it owns the compositing selection and announces what it
// supports. And the floating panel as the X server sees it.
class X11WindowEffectsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XTestClient> m_client;
    std::unique_ptr<platform::XConnection> m_connection;
    std::unique_ptr<platform::X11WindowEffects> m_effects;

    void announce(const QList<xcb_atom_t>& supported)
    {
        xcb_change_property(m_client->connection(), XCB_PROP_MODE_REPLACE, m_client->root(),
                            m_client->atom("_NET_SUPPORTED"), XCB_ATOM_ATOM, 32, uint32_t(supported.size()),
                            supported.constData());
        m_client->sync();
    }

private slots:
    void init()
    {
        m_client = std::make_unique<XTestClient>();
        m_connection = openConnection();
        QVERIFY(m_connection);
        m_effects = std::make_unique<platform::X11WindowEffects>(*m_connection);
    }

    void cleanup()
    {
        m_effects.reset();
        m_connection.reset();
        m_client.reset();   // gives up the selection with its windows
    }

    void blurIsOfferedWhileACompositorRunsThatAnnouncesIt()
    {
        const xcb_atom_t blur = m_client->atom("_KDE_NET_WM_BLUR_BEHIND_REGION");
        announce({m_client->atom("_NET_ACTIVE_WINDOW"), blur});
        QVERIFY(!m_effects->isBlurSupported());   // announced by a compositor that has gone
        const xcb_window_t owner = m_client->createWindow({});
        xcb_set_selection_owner(m_client->connection(), owner, m_client->atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
        m_client->sync();
        QVERIFY(m_effects->isCompositing());
        QVERIFY(m_effects->isBlurSupported());
        announce({m_client->atom("_NET_ACTIVE_WINDOW")});
        QVERIFY(!m_effects->isBlurSupported());
        m_client->destroyWindow(owner);
        QVERIFY(!m_effects->isCompositing());
    }

    void blurRegionIsWrittenAsRectangles()
    {
        const xcb_window_t window = m_client->createWindow({});
        const auto written = [&] {
            return m_connection->cardinalListProperty(window, m_client->atom("_KDE_NET_WM_BLUR_BEHIND_REGION"),
                                                      XCB_ATOM_CARDINAL);
        };
        QVERIFY(m_effects->enableBlurBehind(window, QRegion(10, 0, 80, 60) + QRect(0, 10, 100, 40)));
        QCOMPARE(written(), (QList<quint32>{10, 0, 80, 10, 0, 10, 100, 40, 10, 50, 80, 10}));
        QVERIFY(m_effects->enableBlurBehind(window, QRegion()));   // the whole window
        QCOMPARE(written(), QList<quint32>{});
        m_client->destroyWindow(window);
        QVERIFY(!m_effects->enableBlurBehind(window, QRegion(0, 0, 10, 10)));
        QVERIFY(!m_connection->hasError());
    }

    // Override-redirect: no window manager moves it, and it shows on every desktop.
    void thePanelFloatsAndTakesNoFocus()
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        QSettings settings(TestEnvironment::current().root() + "/indicator.ini", QSettings::IniFormat);
        settings.setValue("indicatorEnabled", true);
        InputSourceIndicatorController controller(settings);
        controller.show(QStringLiteral("German"), QStringLiteral("xkb:de::deu"));
        QTRY_VERIFY(controller.window());
        const xcb_window_t panel = xcb_window_t(controller.window()->winId());
        QTRY_VERIFY([&] {
            const auto attributes = m_client->windowAttributes(panel);
            return attributes && attributes->override_redirect && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        }());
        QTest::qWait(100);
        QCOMPARE(QApplication::activeWindow(), &other);
        QVERIFY(m_client->inputFocus() != panel);
    }
};

KELVARO_TEST(X11WindowEffectsTest)
#include "X11WindowEffectsTest.moc"
