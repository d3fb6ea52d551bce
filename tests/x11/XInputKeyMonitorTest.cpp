#include "platform/linux/XInputKeyMonitor.h"
#include "platform/linux/XkbInputSources.h"

#include "LogCapture.h"
#include "OpenConnection.h"
#include "TestRegistry.h"
#include "XTestClient.h"
#include "Xdotool.h"

#include <QSignalSpy>
#include <QTest>

#include <xcb/xinput.h>

using platform::KeyPress;
using platform::XInputKeyMonitor;

// Key presses typed through XTEST, as a keyboard would type them, each
// described as "ctrl+alt 25": the modifiers held and the evdev code.
class XInputKeyMonitorTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<platform::XConnection> m_connection;
    std::unique_ptr<XInputKeyMonitor> m_monitor;
    QStringList m_presses;

    // Runs xdotool, then presses F12 (evdev 88) and waits until `watcher`
    // reports it: every earlier press has been reported by then. The presses
    // before the marker.
    QStringList typed(const QStringList& arguments, XInputKeyMonitor* watcher = nullptr)
    {
        m_presses.clear();
        bool marker = false;
        const auto watching = connect(watcher ? watcher : m_monitor.get(), &XInputKeyMonitor::keyPressed, this,
                                      [&](const KeyPress& press) { marker = marker || press.key == 88; });
        QString error;
        const bool typed = xdotool(arguments, &error) && xdotool({"key", "F12"}, &error);
        const bool seen = typed && QTest::qWaitFor([&] { return marker; });
        disconnect(watching);
        return seen ? m_presses.mid(0, m_presses.indexOf("88")) : QStringList{error + "<no marker>"};
    }

private slots:
    void init()
    {
        m_connection = openConnection();
        QVERIFY(m_connection);
        m_monitor = std::make_unique<XInputKeyMonitor>(*m_connection);
        m_presses.clear();
        connect(m_monitor.get(), &XInputKeyMonitor::keyPressed, this, [this](const KeyPress& press) {
            QStringList held;
            for (const auto& [modifier, name] : {std::pair{Qt::ShiftModifier, "shift"}, {Qt::ControlModifier, "ctrl"},
                                                {Qt::AltModifier, "alt"}, {Qt::MetaModifier, "meta"}}) {
                if (press.modifiers & modifier)
                    held << name;
            }
            m_presses << (held.isEmpty() ? QString() : held.join('+') + ' ') + QString::number(press.key);
        });
    }

    void cleanup()
    {
        m_monitor.reset();
        m_connection.reset();
    }

    void reportsEachPressWithTheModifiersHeld()
    {
        LogCapture log;
        QVERIFY(m_monitor->start());
        QVERIFY(m_monitor->start());   // already watching: still one report per press
        // 133: the X keycode of the left super key.
        QCOMPARE(typed({"key", "ctrl+alt+p", "shift+133+p", "p"}),
                 (QStringList{"29", "ctrl 56", "ctrl+alt 25", "42", "shift 125", "shift+meta 25", "25"}));
        QVERIFY(log.errors().isEmpty());
    }

    // No X server at hand marks raw presses as repeats (Xorg repeats a held
    // key inside XKB, without raw events), so the presses are handed to the
    // monitor as its connection would hand them.
    void ignoresTheRepeatsOfAHeldKey()
    {
        QVERIFY(m_monitor->start());
        xcb_input_raw_key_press_event_t press{};
        press.response_type = XCB_GE_GENERIC;
        press.extension = xcb_get_extension_data(m_connection->connection(), &xcb_input_id)->major_opcode;
        press.event_type = XCB_INPUT_RAW_KEY_PRESS;
        press.detail = platform::PhysicalKey::P + 8;   // X keycodes are evdev codes + 8
        auto* listener = (platform::XEventListener*)m_monitor.get();   // its private base
        listener->handleXEvent(reinterpret_cast<const xcb_generic_event_t*>(&press));
        press.flags = XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT;
        listener->handleXEvent(reinterpret_cast<const xcb_generic_event_t*>(&press));
        QCOMPARE(m_presses, QStringList{"25"});
    }

    void reportsNothingOnceStopped()
    {
        QVERIFY(m_monitor->start());
        m_monitor->stop();
        const auto otherConnection = openConnection();
        XInputKeyMonitor other(*otherConnection);   // tells when the presses have gone by
        QVERIFY(other.start());
        QCOMPARE(typed({"key", "ctrl+p"}, &other), QStringList{});
        QVERIFY(m_monitor->start());
        QCOMPARE(typed({"key", "p"}), QStringList{"25"});
    }

    // The layout backend selects XKB notices of its own on the same
    // connection; neither may take the other's away.
    void sharesTheConnectionWithTheLayoutBackend()
    {
        QVERIFY(m_monitor->start());
        platform::XkbInputSources layouts(*m_connection);
        QCOMPARE(typed({"key", "ctrl+p"}), (QStringList{"29", "ctrl 25"}));
        QSignalSpy changed(&layouts, &platform::TextInputSources::selectedInputSourceChanged);
        XTestClient client;
        QVERIFY(client.lockGroup(1));
        QVERIFY(changed.wait(5000));
        m_monitor->stop();
        QVERIFY(client.lockGroup(0));
        QVERIFY(changed.wait(5000));
    }
};

KELVARO_TEST(XInputKeyMonitorTest)
#include "XInputKeyMonitorTest.moc"
