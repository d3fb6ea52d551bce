#include "logging/ApplicationIdentity.h"
#include "logging/JournalLogBackend.h"
#include "logging/Logger.h"
#include "platform/PlatformLog.h"

#include "LogCapture.h"
#include "OutputCapture.h"
#include "TestRegistry.h"

#include <QTemporaryFile>
#include <QTest>

#include <sys/stat.h>

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

    // A line reaches standard error once: beside the journal, unless standard
    // error is the journal stream itself; alone, without a journal.
    void standardErrorHasEachLineOnce_data()
    {
        QTest::addColumn<bool>("journal");
        QTest::addColumn<QString>("stream");   // JOURNAL_STREAM: none, or standard error's own with offsets
        QTest::addColumn<int>("copies");
        QTest::newRow("no journal") << false << "" << 1;
        QTest::newRow("no journal, standard error its stream") << false << "+0:+0" << 1;
        QTest::newRow("journal, a terminal") << true << "" << 1;
        QTest::newRow("journal, standard error its stream") << true << "+0:+0" << 0;
        QTest::newRow("journal, another file's stream (inherited)") << true << "+0:+1" << 1;
        QTest::newRow("journal, same inode on another device") << true << "+1:+0" << 1;
    }

    void standardErrorHasEachLineOnce()
    {
        QFETCH(bool, journal);
        QFETCH(QString, stream);
        QFETCH(int, copies);
        QTemporaryFile socket;   // stands for the journal's socket: sd_journal_sendv() ignores a missing journal
        QVERIFY(socket.open());
        const QByteArray socketPath = journal ? socket.fileName().toLocal8Bit() : QByteArray("/nonexistent");
        OutputCapture errors(STDERR_FILENO);
        struct stat status{};
        QCOMPARE(fstat(STDERR_FILENO, &status), 0);
        const QStringList offsets = stream.split(':');
        if (stream.isEmpty())
            qunsetenv("JOURNAL_STREAM");
        else
            qputenv("JOURNAL_STREAM", QByteArray::number(qulonglong(status.st_dev) + offsets[0].toInt()) + ':'
                                          + QByteArray::number(qulonglong(status.st_ino) + offsets[1].toInt()));
        logging::JournalLogBackend backend(socketPath.constData());
        qunsetenv("JOURNAL_STREAM");
        backend.write(LogLevel::Info, "com.kelvaro", "Core", "[Match] org.example.Editor -> xkb:de::deu");
        QCOMPARE(errors.text().count("[Match] org.example.Editor -> xkb:de::deu\n"), copies);
    }
};

KELVARO_TEST(LoggerTest)
#include "LoggerTest.moc"
