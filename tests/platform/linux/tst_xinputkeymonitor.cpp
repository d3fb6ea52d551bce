#include "platform/linux/XInputKeyMonitor.h"
#include "platform/linux/XkbInputSources.h"

#include "LogCapture.h"
#include "MinimalXServer.h"
#include "OpenConnection.h"
#include "TestEnvironment.h"
#include "XTestClient.h"
#include "Xdotool.h"
#include "XvfbServer.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

using platform::KeyPress;
using platform::XConnection;
using platform::XInputKeyMonitor;

namespace {

// evdev codes
constexpr quint32 kLeftShift = 42;
constexpr quint32 kLeftCtrl = 29;
constexpr quint32 kLeftAlt = 56;
constexpr quint32 kF12 = 88;

QString describe(const KeyPress& press)
{
    QStringList held;
    if (press.modifiers & Qt::ShiftModifier)
        held << QStringLiteral("shift");
    if (press.modifiers & Qt::ControlModifier)
        held << QStringLiteral("ctrl");
    if (press.modifiers & Qt::AltModifier)
        held << QStringLiteral("alt");
    if (press.modifiers & Qt::MetaModifier)
        held << QStringLiteral("meta");
    return held.isEmpty() ? QString::number(press.key) : held.join('+') + ' ' + QString::number(press.key);
}

// Every press a monitor reports, described.
class PressLog : public QObject {
public:
    explicit PressLog(platform::KeyMonitor& monitor)
    {
        connect(&monitor, &platform::KeyMonitor::keyPressed, this,
                [this](const KeyPress& press) { presses << describe(press); });
    }
    QStringList presses;
};

bool pressKeys(const QStringList& strokes)
{
    QString error;
    if (!xdotool(QStringList{QStringLiteral("key")} + strokes, &error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return true;
}

} // namespace

class XInputKeyMonitorTest : public QObject {
    Q_OBJECT

private:
    QString m_display;
    std::unique_ptr<XConnection> m_connection;
    std::unique_ptr<XInputKeyMonitor> m_monitor;
    std::unique_ptr<PressLog> m_log;

    // Presses the keys, then F12 as a marker, and waits for the marker: every
    // earlier press has been reported by then. The marker is left out.
    std::optional<QStringList> typed(const QStringList& strokes)
    {
        m_log->presses.clear();
        if (!pressKeys(strokes + QStringList{QStringLiteral("F12")}))
            return std::nullopt;
        const QString marker = QString::number(kF12);
        if (!QTest::qWaitFor([&] { return !m_log->presses.isEmpty() && m_log->presses.last() == marker; }))
            return std::nullopt;
        return m_log->presses.mid(0, m_log->presses.size() - 1);
    }

private slots:
    void init()
    {
        m_display = TestEnvironment::current().xServer()->displayName();
        m_connection = openConnection(m_display);
        QVERIFY(m_connection);
        m_monitor = std::make_unique<XInputKeyMonitor>(*m_connection);
        m_log = std::make_unique<PressLog>(*m_monitor);
    }

    void cleanup()
    {
        m_log.reset();
        m_monitor.reset();
        m_connection.reset();
    }

    void reportsEachPhysicalKeyWithTheModifiersHeld()
    {
        LogCapture log;
        QVERIFY(!m_monitor->isMonitoring());
        QVERIFY(m_monitor->start());
        QVERIFY(m_monitor->start());   // already watching: still one report per press
        QVERIFY(m_monitor->isMonitoring());

        const QString p = QString::number(platform::PhysicalKey::P);
        const QString ctrl = QString::number(kLeftCtrl);
        const QString alt = QString::number(kLeftAlt);
        const QString shift = QString::number(kLeftShift);
        QCOMPARE(typed({"ctrl+alt+p"}), (QStringList{ctrl, "ctrl " + alt, "ctrl+alt " + p}));
        QCOMPARE(typed({"shift+ctrl+alt+p", "p"}),
                 (QStringList{shift, "shift " + ctrl, "shift+ctrl " + alt, "shift+ctrl+alt " + p, p}));
        QVERIFY(log.errors().isEmpty());
    }

    void reportsNothingOnceStopped()
    {
        QVERIFY(m_monitor->start());
        m_monitor->stop();
        QVERIFY(!m_monitor->isMonitoring());

        // A second monitor of its own tells when the presses have gone by.
        const auto otherConnection = openConnection(m_display);
        QVERIFY(otherConnection);
        XInputKeyMonitor other(*otherConnection);
        PressLog otherLog(other);
        QVERIFY(other.start());
        QVERIFY(pressKeys({"ctrl+alt+p", "F12"}));
        QTRY_VERIFY(otherLog.presses.contains(QString::number(kF12)));
        QTest::qWait(100);
        QVERIFY(m_log->presses.isEmpty());

        QVERIFY(m_monitor->start());
        QCOMPARE(typed({"p"}), QStringList{QString::number(platform::PhysicalKey::P)});
    }

    // The layout backend selects its own XKB notices on the same connection;
    // neither may take the other's away.
    void sharesTheConnectionWithTheLayoutBackend()
    {
        QVERIFY(m_monitor->start());
        platform::XkbInputSources layouts(*m_connection);
        QVERIFY(layouts.isAvailable());
        QCOMPARE(typed({"ctrl+alt+p"})->value(2), "ctrl+alt " + QString::number(platform::PhysicalKey::P));

        m_monitor->stop();
        XTestClient client(m_display);
        QSignalSpy changed(&layouts, &platform::TextInputSources::selectedInputSourceChanged);
        QVERIFY(client.lockGroup(1));
        QVERIFY(changed.wait(5000));
        QVERIFY(client.lockGroup(0));
        QVERIFY(changed.wait(5000));
    }

    void withoutXInputStartingFailsWithAClearError()
    {
        MinimalXServer server(MinimalXServer::Xkeyboard::Absent);
        QVERIFY(server.isListening());
        const auto connection = openConnection(server.displayName());
        QVERIFY(connection);

        LogCapture log;
        XInputKeyMonitor monitor(*connection);
        QVERIFY(!monitor.start());
        QVERIFY(!monitor.isMonitoring());
        QCOMPARE(log.errors(),
                 QStringList{"The X server has no XInputExtension; global hotkeys are unavailable"});
        monitor.stop();
        QVERIFY(!connection->hasError());
    }
};

KELVARO_TEST_MAIN(XInputKeyMonitorTest, QCoreApplication, .display = true, .xkbLayouts = {"us", "de"})
#include "tst_xinputkeymonitor.moc"
