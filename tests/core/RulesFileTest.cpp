#include "core/AppRuleJson.h"
#include "core/RulesStore.h"

#include "LogCapture.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QList<AppRule> manyRules(const QString& prefix, int count)
{
    QList<AppRule> rules;
    rules.reserve(count);
    for (int i = 0; i < count; ++i)
        rules.append(AppRule::create(QStringLiteral("%1.app%2").arg(prefix).arg(i), QStringLiteral("App %1").arg(i),
                                     QStringLiteral("xkb:de::deu")));
    return rules;
}

} // namespace

// The rules file: its JSON form, atomic writes, damaged files kept aside.
class RulesFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    QString path() const { return m_folder.filePath(QStringLiteral("Kelvaro/rules.json")); }

private slots:
    void init() { QDir(m_folder.filePath(QStringLiteral("Kelvaro"))).removeRecursively(); }

    void writtenCompactlyAndReadBack()
    {
        const AppRule editor{QUuid::fromString(QStringLiteral("6f1c2b9a-04d3-4e8b-9a51-7c2e3f4d5a6b")),
                             QStringLiteral("/opt/editor"), QStringLiteral("Editor"), QStringLiteral("xkb:us::eng"),
                             true};
        const QByteArray json = AppRuleJson::encode({editor});
        QCOMPARE(json, QByteArray(R"([{"id":"6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6B","appBundleID":"\/opt\/editor",)"
                                  R"("appName":"Editor","targetInputSourceID":"xkb:us::eng","isEnabled":true}])"));
        // Other writers: slashes unescaped, members in any order, a lower-case id, members we do not know.
        QCOMPARE(AppRuleJson::decode(R"([{"isEnabled":true,"more":[1],"targetInputSourceID":"xkb:us::eng",)"
                                     R"("appName":"Editor","appBundleID":"/opt/editor",)"
                                     R"("id":"6f1c2b9a-04d3-4e8b-9a51-7c2e3f4d5a6b"}])"),
                 QList<AppRule>{editor});

        AppRule odd = AppRule::create(QStringLiteral("a\"b\\c"), QStringLiteral("Tab\t, bell \a, 日本語 \n"),
                                      QStringLiteral("xkb:de:nodeadkeys:deu"));
        odd.isEnabled = false;
        QCOMPARE(AppRuleJson::decode(AppRuleJson::encode({editor, odd})), (QList<AppRule>{editor, odd}));
        QCOMPARE(AppRuleJson::encode({}), QByteArray("[]"));
    }

    void oneBadElementFailsTheWholeArray_data()
    {
        QTest::addColumn<QByteArray>("json");
        const QByteArray good = R"({"id":"6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6B","appBundleID":"a",)"
                                R"("appName":"A","targetInputSourceID":"t","isEnabled":true})";
        const auto second = [&](const QByteArray& from, const QByteArray& to) {
            return "[" + good + "," + QByteArray(good).replace(from, to) + "]";
        };
        QTest::newRow("missing member") << second(R"(,"isEnabled":true)", "");
        QTest::newRow("wrong type") << second("true", "1");
        QTest::newRow("null") << second(R"("A")", "null");
        QTest::newRow("id with braces") << second(R"("6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6B")",
                                                  R"("{6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6B}")");
        QTest::newRow("id not hex") << second("5A6B", "5AXZ");
        QTest::newRow("element not an object") << QByteArray("[" + good + R"(,"rule"])");
        QTest::newRow("an object, not an array") << good;
        QTest::newRow("truncated") << QByteArray("[" + good + "," + good + "]").left(60);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("invalid UTF-8") << QByteArray("[{\"id\":\"\xff\xfe\"}]");
    }

    void oneBadElementFailsTheWholeArray()
    {
        QFETCH(QByteArray, json);
        QString error;
        QVERIFY(!AppRuleJson::decode(json, &error));
        QVERIFY2(!error.isEmpty(), "a failed decoding says why");
    }

    // A process saving two lists in turn, killed 200 times at random moments:
    // the file always holds one of the lists, whole.
    void aKilledSaveLeavesTheOldOrTheNewList()
    {
        const QList<AppRule> first = manyRules(QStringLiteral("first"), 3000);
        const QList<AppRule> second = manyRules(QStringLiteral("second"), 2000);
        QString error;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(RulesStore(path()).save(second, &error) && RulesStore(path()).save(first, &error));
        // Kills within two saves' time, however slow saving is in this build.
        const int longestWait = qMax(30000, int(timer.nsecsElapsed() / 1000));
        int seen[2] = {0, 0};
        for (int round = 0; round < 200; ++round) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                RulesStore store(path());
                for (bool useFirst = round % 2 == 0;; useFirst = !useFirst)
                    store.save(useFirst ? first : second, &error);
            }
            ::usleep(QRandomGenerator::global()->bounded(1000, longestWait));
            ::kill(child, SIGKILL);
            QCOMPARE(::waitpid(child, nullptr, 0), child);
            const auto rules = AppRuleJson::decode(fileContent(path()), &error);
            QVERIFY2(rules, qPrintable(QStringLiteral("round %1: %2").arg(round).arg(error)));
            QVERIFY2(*rules == first || *rules == second, qPrintable(QStringLiteral("round %1: mixed").arg(round)));
            ++seen[*rules == first ? 0 : 1];
        }
        // Both lists showing up proves the kills landed between and inside writes.
        QVERIFY(seen[0] > 0 && seen[1] > 0);
    }

    void aDamagedFileIsKeptAsideOnce_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray valid = AppRuleJson::encode(manyRules(QStringLiteral("a"), 2));
        QTest::newRow("truncated") << valid.left(valid.size() / 2);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("nested 100,000 deep") << QByteArray(100000, '[') + QByteArray(100000, ']');
        QTest::newRow("50 MB of garbage") << QByteArray(50 * 1000 * 1000, '\xfe');
    }

    void aDamagedFileIsKeptAsideOnce()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(path(), content));
        QVERIFY(writeFile(path() + ".damaged", "an older damaged file"));
        RulesStore store(path());
        QVERIFY(!store.load().rules);
        QCOMPARE(fileContent(path()), content);   // untouched until the next save

        LogCapture log;
        const QList<AppRule> rules = manyRules(QStringLiteral("new"), 1);
        QString error;
        QVERIFY2(store.save(rules, &error), qPrintable(error));
        QVERIFY(fileContent(path() + ".damaged") == content);
        QCOMPARE(AppRuleJson::decode(fileContent(path())), rules);
        QVERIFY(store.save(rules, &error));   // moved once only
        QVERIFY(fileContent(path() + ".damaged") == content);
        QCOMPARE(log.errors().filter(QStringLiteral("rules.json.damaged")).size(), 1);

        // A missing file is no damage: nothing is moved aside.
        QFile::remove(path());
        QFile::remove(path() + ".damaged");
        QVERIFY(!store.load().rules);
        QVERIFY(store.save(rules, &error));
        QVERIFY(!QFile::exists(path() + ".damaged"));
    }

    void aHugeValidFileLoads()
    {
        const QList<AppRule> rules = manyRules(QStringLiteral("org.example.application.with.a.long.name"), 300000);
        QVERIFY(writeFile(path(), AppRuleJson::encode(rules)));
        QVERIFY(QFileInfo(path()).size() > 50 * 1000 * 1000);
        QCOMPARE(RulesStore(path()).load().rules, rules);
    }
};

KELVARO_TEST(RulesFileTest)
#include "RulesFileTest.moc"
