#include "core/AppRuleJson.h"
#include "core/RulesStore.h"

#include "TestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QList<AppRule> ruleList(const QString& prefix, int count)
{
    QList<AppRule> rules;
    for (int i = 0; i < count; ++i)
        rules.append(AppRule::create(QStringLiteral("%1.app%2").arg(prefix).arg(i), QStringLiteral("App %1").arg(i),
                                     QStringLiteral("xkb:de::deu")));
    return rules;
}

} // namespace

// Kills a process that keeps saving two rule lists in turn, at random
// moments, and checks after each kill that the rules file is whole.
class RulesCrashSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void aKilledSaveLeavesTheOldOrTheNewList()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Kelvaro/rules.json"));
        // Large enough that a kill often lands inside a write.
        const QList<AppRule> first = ruleList(QStringLiteral("org.first"), 3000);
        const QList<AppRule> second = ruleList(QStringLiteral("org.second"), 2000);
        QString error;
        QVERIFY2(RulesStore(path).save(first, &error), qPrintable(error));
        // Kills come within two saves' time, however slow saving is here (an
        // instrumented build saves several times slower).
        QElapsedTimer timer;
        timer.start();
        QVERIFY2(RulesStore(path).save(second, &error) && RulesStore(path).save(first, &error), qPrintable(error));
        const int longestWaitMicroseconds = qMax(30000, int(timer.nsecsElapsed() / 1000));

        int firstSeen = 0;
        int secondSeen = 0;
        for (int round = 0; round < 200; ++round) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                RulesStore store(path);
                QString childError;
                for (bool useFirst = round % 2 == 0;; useFirst = !useFirst)
                    store.save(useFirst ? first : second, &childError);
            }
            ::usleep(QRandomGenerator::global()->bounded(1000, longestWaitMicroseconds));
            ::kill(child, SIGKILL);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status));

            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const auto rules = AppRuleJson::decode(file.readAll(), &error);
            QVERIFY2(rules, qPrintable(QStringLiteral("round %1: %2").arg(round).arg(error)));
            QVERIFY2(*rules == first || *rules == second, qPrintable(QStringLiteral("round %1: a mixed list").arg(round)));
            (*rules == first ? firstSeen : secondSeen)++;
        }
        // The child does nothing but write, so kills land inside writes; both
        // lists showing up proves the writes ran between the kills.
        qInfo("the first list was found %d times, the second %d times", firstSeen, secondSeen);
        QVERIFY(firstSeen > 0 && secondSeen > 0);
    }
};

KELVARO_TEST_MAIN(RulesCrashSafetyTest, QCoreApplication)
#include "tst_rulescrashsafety.moc"
