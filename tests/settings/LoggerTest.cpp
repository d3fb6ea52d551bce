#include "logging/ApplicationIdentity.h"
#include "logging/Logger.h"
#include "platform/PlatformLog.h"

#include "LogCapture.h"
#include "TestRegistry.h"

#include <QTest>

using logging::LogLevel;

// One path for every log line: the program's own, the platform layer's and
// Qt's, each with its level, category and the application as subsystem.
class LoggerTest : public QObject {
    Q_OBJECT

private slots:
    void everyLineCarriesLevelCategoryAndSubsystem()
    {
        LogCapture log;
        Logger::shared().info(QStringLiteral("[Match] org.gnome.Terminal -> xkb:de::deu"));
        // Named once main() has established who the process is, whatever was logged before.
        ApplicationIdentity::establish();
        platform::logError(QStringLiteral("The X server has no XInputExtension"));
        qWarning("%s", "from Qt");

        const auto lines = log.lines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].message, QStringLiteral("[Match] org.gnome.Terminal -> xkb:de::deu"));
        QCOMPARE(lines[0].level, LogLevel::Info);
        QCOMPARE(lines[0].category, QStringLiteral("Core"));
        QCOMPARE(lines[0].subsystem, QStringLiteral("com.kelvaro"));
        QCOMPARE(lines[1].level, LogLevel::Error);
        QCOMPARE(lines[1].category, QStringLiteral("Platform"));
        QCOMPARE(lines[1].subsystem, QStringLiteral("com.kelvaro.Kelvaro"));
        QCOMPARE(lines[2].level, LogLevel::Error);
        QCOMPARE(lines[2].subsystem, QStringLiteral("com.kelvaro.Kelvaro"));
    }
};

KELVARO_TEST(LoggerTest)
#include "LoggerTest.moc"
