#include "FakeWindowEffects.h"
#include "feedback/FlagEmoji.h"
#include "feedback/IndicatorLayout.h"
#include "feedback/IndicatorPanel.h"
#include "feedback/InputSourceIndicatorController.h"
#include "platform/linux/XcbReply.h"
#include "settings/UserDefaults.h"

#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QThread>

#include <memory>
#include <thread>

using platform::XcbReply;

namespace {

const QString germanFlag = QStringLiteral("\U0001F1E9\U0001F1EA");
const QString pauseGlyph = QStringLiteral("\u23F8\uFE0F");
const QString lightning = QStringLiteral("\u26A1\uFE0F");

IndicatorPanel* panelOf(QWidget* widget)
{
    return qobject_cast<IndicatorPanel*>(widget);
}

// A panel as it was when the controller announced it shown or removed.
struct PanelEvent {
    bool shown = false;
    QWidget* panel = nullptr;   // only compared: a removed panel is deleted soon after
    double opacity = 0;
    bool visible = false;
    bool fading = false;
    bool onMainThread = false;
};

} // namespace

class IndicatorTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<InputSourceIndicatorController> m_controller;
    QList<PanelEvent> m_events;

    QSettings& settings() { return UserDefaults::standard(); }
    InputSourceIndicatorController& controller() { return *m_controller; }

    void enable(double seconds = 10)
    {
        settings().setValue(QStringLiteral("indicatorEnabled"), true);
        settings().setValue(QStringLiteral("indicatorDuration"), seconds);
    }

    void record(bool shown, QWidget* panel)
    {
        m_events.append({shown, panel, panel->windowOpacity(), panel->isVisible(), panelOf(panel)->isFading(),
                         QThread::currentThread() == qApp->thread()});
    }

    qsizetype count(bool shown) const
    {
        return std::count_if(m_events.cbegin(), m_events.cend(), [shown](const auto& e) { return e.shown == shown; });
    }

    IndicatorPanel* showAndWait(const QString& name, const QString& id = QStringLiteral("xkb:de::deu"))
    {
        const qsizetype before = count(true);
        controller().show(name, id);
        if (!QTest::qWaitFor([&] { return count(true) > before; }, 5000))
            return nullptr;
        return panelOf(controller().window());
    }

private slots:
    void init()
    {
        settings().clear();
        m_events.clear();
        m_controller = std::make_unique<InputSourceIndicatorController>(settings());
        connect(m_controller.get(), &InputSourceIndicatorController::panelShown, this,
                [this](QWidget* panel) { record(true, panel); });
        connect(m_controller.get(), &InputSourceIndicatorController::panelRemoved, this,
                [this](QWidget* panel) { record(false, panel); });
    }

    void cleanup()
    {
        m_controller.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void panelFloatsAndTakesNoInput()
    {
        QWidget other;
        other.resize(200, 100);
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());

        enable();
        IndicatorPanel* panel = showAndWait(QStringLiteral("German"));
        QVERIFY(panel);
        QCOMPARE(panel->glyph(), germanFlag);
        QCOMPARE(panel->textLabel()->text(), QStringLiteral("German"));
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->windowOpacity(), 1.0);
        QCOMPARE(panel->windowType(), Qt::ToolTip);
        for (const Qt::WindowType flag : {Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint,
                                          Qt::WindowDoesNotAcceptFocus, Qt::WindowTransparentForInput})
            QVERIFY(panel->windowFlags().testFlag(flag));
        QVERIFY(panel->testAttribute(Qt::WA_ShowWithoutActivating));

        // No compositor runs under Xvfb: a solid panel with its corners masked off.
        QVERIFY(!panel->isTranslucent());
        QCOMPARE(panel->mask(), IndicatorLayout::roundedRegion(panel->size()));

        // Override-redirect: no window manager places it, and it is on every desktop.
        XTestClient client(TestEnvironment::current().xServer()->displayName());
        xcb_connection_t* connection = client.connection();
        QTRY_VERIFY([&] {
            const XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
                connection, xcb_get_window_attributes(connection, xcb_window_t(panel->winId())), nullptr));
            return attributes && attributes->override_redirect && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        }());
        QTest::qWait(100);
        QCOMPARE(QApplication::activeWindow(), &other);
    }

    void panelEffectsFollowTheCompositor()
    {
        platform::FakeWindowEffects effects;
        effects.compositing = true;
        {
            IndicatorPanel panel(QStringLiteral("Translucent"), germanFlag, effects);
            QVERIFY(panel.testAttribute(Qt::WA_TranslucentBackground));
            QVERIFY(panel.mask().isEmpty());
            QVERIFY(!panel.hasBlur());
            QVERIFY(effects.blurRequests.isEmpty());
        }
        effects.blurSupported = true;
        IndicatorPanel panel(QStringLiteral("Blurred"), germanFlag, effects);
        QVERIFY(panel.testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(panel.hasBlur());
        QCOMPARE(effects.blurRequests.size(), 1);
        QCOMPARE(effects.blurRequests[0].window, panel.winId());
        QCOMPARE(effects.blurRequests[0].region, IndicatorLayout::roundedRegion(panel.size()));
    }

    void panelWidthAndLabels()
    {
        platform::FakeWindowEffects effects;
        IndicatorPanel oneLetter(QStringLiteral("A"), germanFlag, effects);
        QCOMPARE(oneLetter.size(), QSize(150, 60));

        const QString name = QStringLiteral("English (US)");
        IndicatorPanel middle(name, germanFlag, effects);
        const qreal natural = QFontMetricsF(middle.textLabel()->font()).horizontalAdvance(name);
        QVERIFY2(natural > 70 && natural < 220, qPrintable(QString::number(natural)));
        QCOMPARE(middle.width(), qCeil(natural + 80));
        QCOMPARE(middle.textLabel()->text(), name);

        const QString longName = QStringLiteral("A keyboard layout with a name far too long to fit on the panel");
        IndicatorPanel wide(longName, QStringLiteral("<b>x</b>"), effects);
        QCOMPARE(wide.size(), QSize(300, 60));
        const QString shown = wide.textLabel()->text();
        QVERIFY2(shown.endsWith(QChar(0x2026)) && shown.size() < longName.size(), qPrintable(shown));
        QVERIFY(QFontMetricsF(wide.textLabel()->font()).horizontalAdvance(shown) <= 170);

        for (const IndicatorPanel* panel : {&oneLetter, &middle, &wide}) {
            QCOMPARE(panel->glyphLabel()->geometry(), QRect(16, 12, 40, 36));
            QCOMPARE(panel->textLabel()->geometry(), QRect(62, 16, 170, 28));
            QCOMPARE(panel->glyphLabel()->font().pixelSize(), 28);
            QCOMPARE(panel->textLabel()->font().pixelSize(), 18);
            QCOMPARE(panel->textLabel()->font().weight(), QFont::Medium);
            // Names and glyphs come from elsewhere: never read as markup.
            QCOMPARE(panel->glyphLabel()->textFormat(), Qt::PlainText);
            QCOMPARE(panel->textLabel()->textFormat(), Qt::PlainText);
        }
    }

    void panelPlacement_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("y");
        // Xvfb's screen is 1440 x 900, all of it free.
        QTest::newRow("absent") << QString() << 80;
        QTest::newRow("center") << "center" << 420;
        QTest::newRow("bottom") << "bottom" << 900 - 80 - 60;
        QTest::newRow("letter case") << "Bottom" << 80;
    }

    void panelPlacement()
    {
        QFETCH(QString, stored);
        QFETCH(int, y);
        enable();
        if (!stored.isNull())
            settings().setValue(QStringLiteral("indicatorPosition"), stored);
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1440, 900));
        IndicatorPanel* panel = showAndWait(QStringLiteral("German"));
        QVERIFY(panel);
        const QRect expected(qRound((1440 - panel->width()) / 2.0), y, panel->width(), 60);
        QCOMPARE(panel->geometry(), expected);

        XTestClient client(TestEnvironment::current().xServer()->displayName());
        xcb_connection_t* connection = client.connection();
        QTRY_VERIFY([&] {
            const XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(
                connection, xcb_get_geometry(connection, xcb_drawable_t(panel->winId())), nullptr));
            return geometry && QRect(geometry->x, geometry->y, geometry->width, geometry->height) == expected;
        }());
    }

    void glyphsOfSwitchesAndMessages()
    {
        enable();
        IndicatorPanel* panel = showAndWait(QStringLiteral("Russian"), QStringLiteral("com.apple.keylayout.Russian"));
        QVERIFY(panel);
        QCOMPARE(panel->glyph(), flagEmoji(QStringLiteral("com.apple.keylayout.Russian")));

        controller().showMessage(QStringLiteral("Switching Paused"), pauseGlyph);
        QTRY_COMPARE(count(true), 2);
        QCOMPARE(panelOf(controller().window())->glyph(), pauseGlyph);
        QCOMPARE(panelOf(controller().window())->text(), QStringLiteral("Switching Paused"));
    }

    void disabledShowsNothing_data()
    {
        QTest::addColumn<QVariant>("enabled");
        QTest::newRow("absent") << QVariant();
        QTest::newRow("false") << QVariant(false);
    }

    void disabledShowsNothing()
    {
        QFETCH(QVariant, enabled);
        if (enabled.isValid())
            settings().setValue(QStringLiteral("indicatorEnabled"), enabled);
        controller().show(QStringLiteral("German"), QStringLiteral("xkb:de::deu"));
        controller().showMessage(QStringLiteral("Switching Paused"), pauseGlyph);
        QTest::qWait(50);
        QVERIFY(m_events.isEmpty());
        QVERIFY(!controller().window());
    }

    void disablingLeavesTheShownPanelAlone()
    {
        enable(0.3);
        IndicatorPanel* panel = showAndWait(QStringLiteral("German"));
        QVERIFY(panel);
        settings().setValue(QStringLiteral("indicatorEnabled"), false);
        controller().showMessage(QStringLiteral("Switching Paused"), pauseGlyph);
        QTest::qWait(50);
        QCOMPARE(controller().window(), panel);
        QCOMPARE(m_events.size(), 1);

        // It still runs out its own time and fades.
        QTRY_COMPARE_WITH_TIMEOUT(count(false), 1, 5000);
        QVERIFY(m_events.last().panel == panel);
        QCOMPARE(m_events.last().opacity, 0.0);
    }

    void panelFadesOutAfterItsTime()
    {
        enable(0.1);
        IndicatorPanel* shown = showAndWait(QStringLiteral("German"));
        QVERIFY(shown);
        QPointer<IndicatorPanel> panel = shown;
        QVERIFY(!panel->isFading());
        QTRY_VERIFY_WITH_TIMEOUT(panel && panel->isFading(), 5000);
        QVERIFY(controller().window() == shown);

        QTRY_COMPARE_WITH_TIMEOUT(count(false), 1, 5000);
        const PanelEvent removed = m_events.last();
        QVERIFY(removed.panel == shown);
        QCOMPARE(removed.opacity, 0.0);
        QVERIFY(!removed.visible);
        QVERIFY(!controller().window());
        QTRY_VERIFY(panel.isNull());
    }

    void newRequestReplacesThePanelAtOnce()
    {
        enable();
        IndicatorPanel* first = showAndWait(QStringLiteral("German"));
        IndicatorPanel* second = showAndWait(QStringLiteral("French"), QStringLiteral("xkb:fr::fra"));
        QVERIFY(first && second && first != second);
        QCOMPARE(m_events.size(), 3);
        const PanelEvent removed = m_events[1];
        QVERIFY(!removed.shown && removed.panel == first);
        QCOMPARE(removed.opacity, 1.0);   // gone without a fade
        QVERIFY(!removed.fading && !removed.visible);
        QCOMPARE(controller().window(), second);
    }

    void requestDuringFadeOutlivesTheOldFade()
    {
        enable(0.05);
        IndicatorPanel* firstShown = showAndWait(QStringLiteral("German"));
        QVERIFY(firstShown);
        QPointer<IndicatorPanel> first = firstShown;
        QTRY_VERIFY_WITH_TIMEOUT(first && first->isFading(), 5000);

        settings().setValue(QStringLiteral("indicatorDuration"), 10);
        IndicatorPanel* second = showAndWait(QStringLiteral("French"), QStringLiteral("xkb:fr::fra"));
        QVERIFY(second);
        QCOMPARE(m_events.size(), 3);
        QVERIFY(m_events[1].panel == firstShown && m_events[1].fading && !m_events[1].visible);

        QTest::qWait(500);   // well past the end of the old fade
        QCOMPARE(controller().window(), second);
        QVERIFY(second->isVisible() && !second->isFading());
        QCOMPARE(second->windowOpacity(), 1.0);
        QCOMPARE(m_events.size(), 3);
        QVERIFY(first.isNull());
    }

    void requestsFromAnotherThread()
    {
        enable();
        std::thread worker([this] {
            controller().show(QStringLiteral("German"), QStringLiteral("xkb:de::deu"));
            controller().showMessage(QStringLiteral("Switching Resumed"), lightning);
        });
        worker.join();
        QTRY_COMPARE(count(true), 2);
        QCOMPARE(count(false), 1);
        for (const PanelEvent& event : std::as_const(m_events))
            QVERIFY(event.onMainThread);
        QCOMPARE(panelOf(controller().window())->glyph(), lightning);
    }

    void controllerGoneBeforeOrWhileShowing()
    {
        enable();
        controller().show(QStringLiteral("German"), QStringLiteral("xkb:de::deu"));
        m_controller.reset();
        QTest::qWait(50);
        QVERIFY(m_events.isEmpty());

        init();
        enable(0.05);
        QPointer<IndicatorPanel> panel = showAndWait(QStringLiteral("German"));
        QTRY_VERIFY_WITH_TIMEOUT(panel && panel->isFading(), 5000);
        m_controller.reset();
        QVERIFY(panel.isNull());
        QTest::qWait(300);
    }
};

KELVARO_TEST_MAIN(IndicatorTest, QApplication, .display = true)

#include "tst_indicator.moc"
