#include "core/AppRuleJson.h"
#include "core/RulesStore.h"

#include "LogCapture.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
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
        QTest::newRow("a number beyond double as a flag") << second("true", "1e400");
    }

    // What other writers may leave in a file costs only what it touches.
    void oddValuesAreRead_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<QString>("appName");
        QTest::newRow("beyond double, nested") << QByteArray(R"("m":{"at":[1e400,-2.5E+999]},"appName":"A")") << "A";
        QTest::newRow("an integer of 400 digits") << "\"m\":1" + QByteArray(400, '0') + R"(,"appName":"A")" << "A";
        QTest::newRow("lone surrogates") << QByteArray(R"("appName":"\ud800a\uDC00\ud800\u0041\ud83d\ude00")")
                                         << QStringLiteral("\uFFFDa\uFFFD\uFFFDA😀");
        QTest::newRow("not an escape") << QByteArray(R"("appName":"\\ud800")") << QStringLiteral("\\ud800");
    }

    void oddValuesAreRead()
    {
        QFETCH(QByteArray, member);
        QFETCH(QString, appName);
        QString error;
        const auto rules = AppRuleJson::decode(R"([{"id":"6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6B","appBundleID":"a",)"
                                                   + member + R"(,"targetInputSourceID":"t","isEnabled":true}])",
                                               &error);
        QVERIFY2(rules && rules->size() == 1, qPrintable(error));
        QCOMPARE(rules->first().appName, appName);
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

    // No wait on a FIFO, no endless read of a device: such a path, and a file
    // over 64 MiB, is unreadable (also when a change is noticed) and moved
    // aside at the next save. A link to a rules file is read and stays a link.
    void onlyRegularFilesAreRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error");
        QTest::newRow("FIFO") << "fifo" << "not a regular file";
        QTest::newRow("link to a FIFO") << "link to fifo" << "not a regular file";
        QTest::newRow("link to /dev/zero") << "link to /dev/zero" << "not a regular file";
        QTest::newRow("65 MiB") << "sparse" << "larger than 64 MiB";
        QTest::newRow("link to a rules file") << "link to rules" << QString();
    }

    void onlyRegularFilesAreRead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, error);
        RulesStore store(path());
        const QList<AppRule> rules = manyRules(QStringLiteral("kept"), 2);
        QString saveError;
        QVERIFY(store.save(rules, &saveError) && QFile::remove(path()));
        store.startWatching();
        QSignalSpy changed(&store, &RulesStore::changedOnDisk);
        const QString target = kind == "link to /dev/zero" ? "/dev/zero" : m_folder.filePath("Kelvaro/target");
        if (kind.endsWith(QLatin1String("fifo")))
            QCOMPARE(::mkfifo(qPrintable(kind == "fifo" ? path() : target), 0600), 0);
        if (kind == "sparse")
            QVERIFY(writeFile(path(), {}) && QFile(path()).resize(65 * 1024 * 1024));
        if (kind == "link to rules")
            QVERIFY(writeFile(target, AppRuleJson::encode(manyRules(QStringLiteral("linked"), 1))));
        QVERIFY(!kind.startsWith(QLatin1String("link")) || QFile::link(target, path()));
        QTRY_VERIFY(!changed.isEmpty());

        const RulesStore::LoadResult loaded = store.load();
        QVERIFY2(loaded.rules.has_value() == error.isEmpty() && loaded.error.contains(error), qPrintable(loaded.error));
        QVERIFY(store.save(rules, &saveError));
        QCOMPARE(AppRuleJson::decode(fileContent(path())), rules);
        QCOMPARE(QFileInfo(path()).isSymLink(), error.isEmpty());
        QCOMPARE(QFileInfo::exists(store.damagedFilePath()), !error.isEmpty());
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
