#include "feedback/IndicatorLayout.h"
#include "feedback/IndicatorPosition.h"
#include "feedback/IndicatorSettings.h"
#include "localization/LocalizationManager.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace std::chrono_literals;
using Position = IndicatorPosition;

class IndicatorLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void positionValuesAndNames()
    {
        const QList<Position> all{Position::topCenter, Position::center, Position::bottomCenter};
        QCOMPARE(IndicatorPositions::allCases(), all);
        QStringList raw, english, german;
        LocalizationManager& localization = LocalizationManager::shared();
        for (const Position position : all) {
            raw.append(IndicatorPositions::rawValue(position));
            QCOMPARE(IndicatorPositions::fromRawValue(raw.last()), position);
            localization.setLanguage(QStringLiteral("en"), false);
            english.append(IndicatorPositions::displayName(position));
            localization.setLanguage(QStringLiteral("de"), false);
            german.append(IndicatorPositions::displayName(position));
        }
        QCOMPARE(raw, (QStringList{"top", "center", "bottom"}));
        QCOMPARE(english, (QStringList{"Top", "Center", "Bottom"}));
        QCOMPARE(german, (QStringList{"Oben", "Mitte", "Unten"}));
        for (const char* other : {"Center", "TOP", " bottom", "topCenter", ""})
            QCOMPARE(IndicatorPositions::fromRawValue(QString::fromLatin1(other)), std::nullopt);
    }

    // As read back from a hand-editable file, where every value is a string.
    void storedSettings_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("nothing") << QByteArray() << false << int(Position::topCenter) << 1500;
        QTest::newRow("on, bottom, 0.1")
            << QByteArray("indicatorEnabled=true\nindicatorPosition=bottom\nindicatorDuration=0.1")
            << true << int(Position::bottomCenter) << 100;
        QTest::newRow("off, center, 0")
            << QByteArray("indicatorEnabled=false\nindicatorPosition=center\nindicatorDuration=0")
            << false << int(Position::center) << 1500;
        QTest::newRow("letter case, negative")
            << QByteArray("indicatorEnabled=1\nindicatorPosition=Center\nindicatorDuration=-2")
            << true << int(Position::topCenter) << 1500;
        QTest::newRow("junk") << QByteArray("indicatorEnabled=maybe\nindicatorPosition=left\nindicatorDuration=soon")
                              << false << int(Position::topCenter) << 1500;
        QTest::newRow("infinite") << QByteArray("indicatorDuration=1e400") << false << int(Position::topCenter) << 1500;
        // Longer than a timer can wait: the longest it can, not a wrapped-around instant.
        QTest::newRow("huge") << QByteArray("indicatorDuration=1e12") << false << int(Position::topCenter)
                              << std::numeric_limits<int>::max();
    }

    void storedSettings()
    {
        QFETCH(QByteArray, lines);
        QFETCH(bool, enabled);
        QFETCH(int, position);
        QFETCH(int, milliseconds);
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("Kelvaro.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[General]\n" + lines + '\n') > 0);
        file.close();
        const QSettings settings(file.fileName(), QSettings::IniFormat);
        QCOMPARE(IndicatorSettings::isEnabled(settings), enabled);
        QCOMPARE(IndicatorSettings::position(settings), Position(position));
        QCOMPARE(IndicatorSettings::duration(settings), std::chrono::milliseconds(milliseconds));
    }

    void panelWidthFollowsTheText()
    {
        QCOMPARE(IndicatorLayout::panelWidth(11), 150);
        QCOMPARE(IndicatorLayout::panelWidth(70), 150);
        QCOMPARE(IndicatorLayout::panelWidth(70.25), 151);   // never less room than the text needs
        QCOMPARE(IndicatorLayout::panelWidth(100), 180);
        QCOMPARE(IndicatorLayout::panelWidth(219), 299);
        QCOMPARE(IndicatorLayout::panelWidth(220), 300);
        QCOMPARE(IndicatorLayout::panelWidth(1000), 300);
    }

    void panelPlacement()
    {
        // A 250 x 60 panel on a screen whose free area is 1440 x 875.
        const QRectF screen(0, 0, 1440, 875);
        const QSizeF panel(250, 60);
        QCOMPARE(IndicatorLayout::panelOrigin(Position::topCenter, screen, panel), QPointF(595, 80));
        QCOMPARE(IndicatorLayout::panelOrigin(Position::center, screen, panel), QPointF(595, 407.5));
        QCOMPARE(IndicatorLayout::panelOrigin(Position::bottomCenter, screen, panel), QPointF(595, 735));
        // A free area that starts below a top bar, on a second screen.
        const QRectF offset(1920, 32, 1280, 988);
        QCOMPARE(IndicatorLayout::panelOrigin(Position::topCenter, offset, panel), QPointF(2435, 112));
        QCOMPARE(IndicatorLayout::panelOrigin(Position::center, offset, panel), QPointF(2435, 496));
        QCOMPARE(IndicatorLayout::panelOrigin(Position::bottomCenter, offset, panel), QPointF(2435, 880));
    }

    void outlineHasRoundCorners()
    {
        const QRegion outline = IndicatorLayout::roundedRegion(QSize(200, 60));
        QCOMPARE(outline.boundingRect(), QRect(0, 0, 200, 60));
        for (const QPoint outside : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 59), QPoint(199, 59), QPoint(3, 3)})
            QVERIFY(!outline.contains(outside));
        for (const QPoint inside : {QPoint(100, 30), QPoint(14, 1), QPoint(1, 30), QPoint(185, 58), QPoint(10, 10)})
            QVERIFY(outline.contains(inside));
    }
};

KELVARO_TEST_MAIN(IndicatorLayoutTest, QCoreApplication)

#include "tst_indicatorlayout.moc"
