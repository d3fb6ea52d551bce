#include "LogCapture.h"
#include "logging/JournalLogBackend.h"
#include "logging/Logger.h"

#include "OutputCapture.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QUuid>

#include <memory>

using logging::LogLevel;


class LoggerTest : public QObject {
    Q_OBJECT

private slots:
    void messagesPassUnchangedWithLevelSubsystemAndCategory()
    {
        LogCapture log;
        Logger::shared().info(QStringLiteral("[Match] org.gnome.Terminal → xkb:de::deu"));
        Logger::shared().error(QStringLiteral("Failed to get input source list"));

        const auto lines = log.lines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].level, LogLevel::Info);
        QCOMPARE(lines[0].message, QStringLiteral("[Match] org.gnome.Terminal → xkb:de::deu"));
        QCOMPARE(lines[1].level, LogLevel::Error);
        QCOMPARE(lines[1].message, QStringLiteral("Failed to get input source list"));
        for (const auto& line : lines) {
            QCOMPARE(line.subsystem, QStringLiteral("com.kelvaro"));
            QCOMPARE(line.category, QStringLiteral("Core"));
        }
    }

    void linesFromManyThreadsAllArrive()
    {
        LogCapture log;
        constexpr int threads = 4;
        constexpr int perThread = 500;
        QList<QThread*> workers;
        for (int t = 0; t < threads; ++t) {
            workers.append(QThread::create([t] {
                for (int i = 0; i < perThread; ++i)
                    (i % 2 ? Logger::shared().error(QString::number(t)) : Logger::shared().info(QString::number(t)));
            }));
            workers.last()->start();
        }
        for (QThread* worker : workers) {
            QVERIFY(worker->wait(10000));
            delete worker;
        }
        QCOMPARE(log.lines().size(), threads * perThread);
    }

    void withoutAJournalEachMessageIsOnePlainLineOnStandardError()
    {
        if (QFile::exists(QStringLiteral("/run/systemd/journal/socket")))
            QSKIP("a systemd journal is reachable here; lines go there instead");
        logging::JournalLogBackend backend;
        OutputCapture capture(STDERR_FILENO);
        backend.write(LogLevel::Info, QStringLiteral("com.kelvaro"), QStringLiteral("Core"),
                      QStringLiteral("Loaded 3 input sources"));
        backend.write(LogLevel::Error, QStringLiteral("com.kelvaro"), QStringLiteral("Core"),
                      QStringLiteral("Language bundle not found for: fr"));
        QCOMPARE(capture.text(), QByteArray("Loaded 3 input sources\nLanguage bundle not found for: fr\n"));
    }

    void withAJournalLinesCarryTheirFields()
    {
        if (!QFile::exists(QStringLiteral("/run/systemd/journal/socket")))
            QSKIP("no systemd journal on this machine");
        const QString marker = QStringLiteral("kelvaro-test-%1").arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
        logging::JournalLogBackend().write(LogLevel::Error, QStringLiteral("com.kelvaro"), QStringLiteral("Core"), marker);

        QJsonObject entry;
        for (int attempt = 0; attempt < 50 && entry.isEmpty(); ++attempt) {
            QProcess journalctl;
            journalctl.start(QStringLiteral("journalctl"),
                             {QStringLiteral("--output=json"), QStringLiteral("MESSAGE=") + marker});
            if (!journalctl.waitForFinished(5000) || journalctl.exitCode() != 0)
                QSKIP("journalctl cannot read this user's journal");
            const QByteArray line = journalctl.readAllStandardOutput().trimmed();
            if (!line.isEmpty())
                entry = QJsonDocument::fromJson(line.split('\n').first()).object();
            else
                QTest::qWait(100);
        }
        QVERIFY2(!entry.isEmpty(), "the line reached the journal");
        QCOMPARE(entry.value(QStringLiteral("PRIORITY")).toString(), QStringLiteral("3"));
        QCOMPARE(entry.value(QStringLiteral("SYSLOG_IDENTIFIER")).toString(), QStringLiteral("kelvaro"));
        QCOMPARE(entry.value(QStringLiteral("SUBSYSTEM")).toString(), QStringLiteral("com.kelvaro"));
        QCOMPARE(entry.value(QStringLiteral("CATEGORY")).toString(), QStringLiteral("Core"));
    }
};

KELVARO_TEST_MAIN(LoggerTest, QCoreApplication)
#include "tst_logger.moc"
