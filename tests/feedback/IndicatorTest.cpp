#include "feedback/FlagEmoji.h"
#include "feedback/IndicatorLayout.h"
#include "feedback/IndicatorPanel.h"
#include "feedback/IndicatorSettings.h"
#include "feedback/InputSourceIndicatorController.h"
#include "settings/UserDefaults.h"

#include "FakeWindowEffects.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

namespace {

const QString kPauseGlyph = QStringLiteral("\u23F8\uFE0F");

IndicatorPanel* panelOf(QWidget* widget)
{
    return qobject_cast<IndicatorPanel*>(widget);
}

} // namespace

// The floating panel: its measures and place, and one panel at a time,
// replaced at once and faded out after its time.
class IndicatorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InputSourceIndicatorController> m_controller;
    QList<QPointer<QWidget>> m_shown;
    QList<double> m_removed;   // the opacity of each panel as it was taken off the screen

    QSettings& settings() { return UserDefaults::standard(); }

    void enable(double seconds)
    {
        settings().setValue("indicatorEnabled", true);
        settings().setValue("indicatorDuration", seconds);
    }

    IndicatorPanel* show(const QString& name, const QString& id = QStringLiteral("xkb:de::deu"))
    {
        const qsizetype before = m_shown.size();
        m_controller->show(name, id);
        return QTest::qWaitFor([&] { return m_shown.size() > before; }) ? panelOf(m_controller->window()) : nullptr;
    }

private slots:
    void init()
    {
        settings().clear();
        m_shown.clear();
        m_removed.clear();
        m_controller = std::make_unique<InputSourceIndicatorController>(settings());
        connect(m_controller.get(), &InputSourceIndicatorController::panelShown, this,
                [this](QWidget* panel) { m_shown << panel; });
        connect(m_controller.get(), &InputSourceIndicatorController::panelRemoved, this,
                [this](QWidget* panel) { m_removed << panel->windowOpacity(); });
    }

    // The name's label spans the panel less its margins: a name is cut only past 220.
    void thePanelFitsItsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("whole");
        QTest::newRow("one letter") << "A" << true;
        QTest::newRow("a message") << "Switching Resumed" << true;
        QTest::newRow("a variant") << "German (no dead keys)" << true;
        QTest::newRow("long") << "English (US, intl., with dead keys)" << false;
        QTest::newRow("far too long") << "A keyboard layout with a name far too long to fit on any panel" << false;
    }

    void thePanelFitsItsText()
    {
        QFETCH(QString, text);
        QFETCH(bool, whole);
        platform::FakeWindowEffects effects;
        const IndicatorPanel panel(text, QStringLiteral("<b>x</b>"), effects);
        const QLabel& label = *panel.textLabel();
        const qreal natural = QFontMetricsF(label.font()).horizontalAdvance(text);
        QCOMPARE(panel.width(), qBound(150, qCeil(natural + 80), 300));
        QCOMPARE(label.geometry(), QRect(62, 16, panel.width() - 80, 28));
        QCOMPARE(label.text() == text, whole);
        QCOMPARE(natural <= 220, whole);
        QVERIFY(QFontMetricsF(label.font()).horizontalAdvance(label.text()) <= label.width());
        QCOMPARE(panel.glyphLabel()->textFormat(), Qt::PlainText);   // names never read as markup
    }

    void theCompositorDecidesTranslucencyAndBlur()
    {
        platform::FakeWindowEffects effects;
        QVERIFY(!IndicatorPanel(QStringLiteral("Solid"), kPauseGlyph, effects).mask().isEmpty());
        effects.compositing = effects.blurSupported = true;
        const IndicatorPanel blurred(QStringLiteral("Blurred"), kPauseGlyph, effects);
        QVERIFY(blurred.testAttribute(Qt::WA_TranslucentBackground) && blurred.mask().isEmpty() && blurred.hasBlur());
        QCOMPARE(effects.blurRequests.size(), 1);
        QCOMPARE(effects.blurRequests[0].region, IndicatorLayout::roundedRegion(blurred.size()));
    }

    void settingsAsTheFileHasThem_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("nothing") << QByteArray() << int(IndicatorPosition::topCenter) << 1500;
        QTest::newRow("bottom, 0.1 s") << QByteArray("indicatorPosition=bottom\nindicatorDuration=0.1")
                                       << int(IndicatorPosition::bottomCenter) << 100;
        QTest::newRow("letter case, negative") << QByteArray("indicatorPosition=Center\nindicatorDuration=-2")
                                               << int(IndicatorPosition::topCenter) << 1500;
        // Longer than a timer can wait: the longest it can, not a wrapped-around instant.
        QTest::newRow("huge") << QByteArray("indicatorDuration=1e12") << int(IndicatorPosition::topCenter)
                              << std::numeric_limits<int>::max();
    }

    void settingsAsTheFileHasThem()
    {
        QFETCH(QByteArray, lines);
        QFETCH(int, position);
        QFETCH(int, milliseconds);
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath("Kelvaro.conf"), "[General]\n" + lines + "\n"));
        const QSettings file(folder.filePath("Kelvaro.conf"), QSettings::IniFormat);
        QCOMPARE(IndicatorSettings::position(file), IndicatorPosition(position));
        QCOMPARE(IndicatorSettings::duration(file), std::chrono::milliseconds(milliseconds));
    }

    void placedOnTheScreen_data()
    {
        QTest::addColumn<QString>("position");
        QTest::addColumn<int>("top");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QTest::newRow("top") << "top" << screen.top() + 80;
        QTest::newRow("center") << "center" << screen.top() + (screen.height() - 60) / 2;
        QTest::newRow("bottom") << "bottom" << screen.top() + screen.height() - 80 - 60;
    }

    void placedOnTheScreen()
    {
        QFETCH(QString, position);
        QFETCH(int, top);
        enable(10);
        settings().setValue("indicatorPosition", position);
        IndicatorPanel* panel = show(QStringLiteral("German"));
        QVERIFY(panel);
        QCOMPARE(panel->glyph(), flagEmoji(QStringLiteral("xkb:de::deu")));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const int left = qRound(screen.left() + (screen.width() - panel->width()) / 2.0);
        QCOMPARE(panel->geometry(), QRect(left, top, panel->width(), 60));
    }

    void switchedOffShowsNothingAndLeavesAShownPanelAlone()
    {
        m_controller->showMessage(QStringLiteral("Switching Paused"), kPauseGlyph);
        QTest::qWait(50);
        QVERIFY(m_shown.isEmpty());

        enable(0.3);
        QVERIFY(show(QStringLiteral("German")));
        settings().setValue("indicatorEnabled", false);
        m_controller->showMessage(QStringLiteral("Switching Paused"), kPauseGlyph);
        QTest::qWait(50);
        QCOMPARE(m_shown.size(), 1);
        QTRY_COMPARE(m_removed, QList<double>{0.0});   // after its own time and fade
    }

    void oneAtATimeEachFadingAfterItsTime()
    {
        enable(10);
        QVERIFY(show(QStringLiteral("German")));
        QVERIFY(show(QStringLiteral("French"), QStringLiteral("xkb:fr::fra")));
        QCOMPARE(m_removed, QList<double>{1.0});   // at once, no fade

        // A panel shown while the last one fades out outlives that fade.
        enable(0.05);
        QPointer<IndicatorPanel> fading = show(QStringLiteral("German"));
        QTRY_VERIFY(fading && fading->isFading());
        enable(10);
        IndicatorPanel* second = show(QStringLiteral("Russian"), QStringLiteral("xkb:ru::rus"));
        QCOMPARE(m_removed.size(), 3);   // the fading one, at once
        QTest::qWait(400);
        QCOMPARE(m_controller->window(), second);
        QVERIFY(second->isVisible() && !second->isFading());

        enable(0.05);
        QPointer<IndicatorPanel> last = show(QStringLiteral("German"));
        QTRY_VERIFY(last.isNull());
        QVERIFY(!m_controller->window());
    }

    void requestsFromAnotherThreadAreShownOnTheMainThread()
    {
        enable(10);
        QThread* shownOn = nullptr;
        connect(m_controller.get(), &InputSourceIndicatorController::panelShown, this,
                [&] { shownOn = QThread::currentThread(); });
        std::thread([this] { m_controller->showMessage(QStringLiteral("Switching Resumed"), kPauseGlyph); }).join();
        QTRY_COMPARE(m_shown.size(), 1);
        QCOMPARE(shownOn, qApp->thread());
    }
};

KELVARO_TEST(IndicatorTest)
#include "IndicatorTest.moc"
