#include "platform/linux/X11WindowEffects.h"
#include "platform/linux/XConnection.h"

#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>

using platform::XcbReply;

// A second client plays the compositor: it owns the compositing selection and
// announces what it supports on the root window.
class X11WindowEffectsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XTestClient> m_compositor;
    std::unique_ptr<platform::XConnection> m_connection;
    std::unique_ptr<platform::X11WindowEffects> m_effects;

    void announceSupported(const QList<xcb_atom_t>& atoms)
    {
        xcb_change_property(m_compositor->connection(), XCB_PROP_MODE_REPLACE, m_compositor->root(),
                            m_compositor->atom("_NET_SUPPORTED"), XCB_ATOM_ATOM, 32, uint32_t(atoms.size()),
                            atoms.constData());
        m_compositor->sync();
    }

    std::optional<QList<quint32>> blurProperty(xcb_window_t window)
    {
        xcb_connection_t* connection = m_compositor->connection();
        const auto cookie = xcb_get_property(connection, 0, window, m_compositor->atom("_KDE_NET_WM_BLUR_BEHIND_REGION"),
                                             XCB_ATOM_CARDINAL, 0, 1024);
        const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
        if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32)
            return std::nullopt;
        const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
        return QList<quint32>(values, values + xcb_get_property_value_length(reply.get()) / 4);
    }

private slots:
    void init()
    {
        const QString display = TestEnvironment::current().xServer()->displayName();
        m_compositor = std::make_unique<XTestClient>(display);
        QString error;
        m_connection = platform::XConnection::open(display, &error);
        QVERIFY2(m_connection, qPrintable(error));
        m_effects = std::make_unique<platform::X11WindowEffects>(*m_connection);
    }

    void cleanup()
    {
        m_effects.reset();
        m_connection.reset();
        m_compositor.reset();   // gives up the selection with its windows
    }

    void compositingAndBlurFollowTheCompositor()
    {
        const xcb_atom_t blur = m_compositor->atom("_KDE_NET_WM_BLUR_BEHIND_REGION");
        const xcb_atom_t other = m_compositor->atom("_NET_ACTIVE_WINDOW");
        // Announced by a compositor that has gone away: nothing is promised.
        announceSupported({other, blur});
        QVERIFY(!m_effects->isCompositing());
        QVERIFY(!m_effects->isBlurSupported());

        const xcb_window_t owner = m_compositor->createWindow({});
        xcb_set_selection_owner(m_compositor->connection(), owner, m_compositor->atom("_NET_WM_CM_S0"),
                                XCB_CURRENT_TIME);
        m_compositor->sync();
        QVERIFY(m_effects->isCompositing());
        QVERIFY(m_effects->isBlurSupported());
        announceSupported({other});
        QVERIFY(!m_effects->isBlurSupported());

        m_compositor->destroyWindow(owner);
        QVERIFY(!m_effects->isCompositing());
    }

    void blurRegionIsWrittenAsRectangles()
    {
        const xcb_window_t window = m_compositor->createWindow({});
        QRegion region(10, 0, 80, 60);
        region += QRect(0, 10, 100, 40);
        QVERIFY(m_effects->enableBlurBehind(window, region));
        QList<quint32> expected;
        for (const QRect& r : region)
            expected << quint32(r.x()) << quint32(r.y()) << quint32(r.width()) << quint32(r.height());
        QCOMPARE(expected.size(), 12);
        QCOMPARE(blurProperty(window), expected);

        // Empty: the whole window.
        QVERIFY(m_effects->enableBlurBehind(window, QRegion()));
        QCOMPARE(blurProperty(window), QList<quint32>());

        m_compositor->destroyWindow(window);
        QVERIFY(!m_effects->enableBlurBehind(window, region));
        QVERIFY(!m_connection->hasError());
    }
};

KELVARO_TEST_MAIN(X11WindowEffectsTest, QCoreApplication, .display = true)

#include "tst_x11windoweffects.moc"
