#include "core/RememberedInputSources.h"

#include "LogCapture.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kDE = QStringLiteral("xkb:de::deu");
const QString kRU = QStringLiteral("xkb:ru::rus");

} // namespace

// The remembered input sources: kept across runs in one file, written once
// per burst of changes, bounded, a damaged file kept aside. (A run ended by
// SIGTERM keeps them too: see ProgramTest.)
class RememberedSourcesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    QString path() const { return m_folder.filePath(QStringLiteral("Kelvaro/remembered.json")); }

private slots:
    void init() { QFile::remove(path()); }

    void theLeastRecentlyUsedGoFirst()
    {
        {
            RememberedInputSources memory(path());
            for (int i = 0; i < RememberedInputSources::kCapacity; ++i)
                memory.remember(QString::number(i), kDE);
            QCOMPARE(memory.recall("0"), kDE);
            memory.remember("new", kRU);
            QCOMPARE(memory.count(), RememberedInputSources::kCapacity);
            QVERIFY(!QFile::exists(path()));   // one write for the burst, when the memory goes
        }
        RememberedInputSources again(path());
        QCOMPARE(again.count(), RememberedInputSources::kCapacity);
        QCOMPARE(again.recall("1"), std::nullopt);
        QCOMPARE(again.recall("0"), kDE);
        QCOMPARE(again.recall("new"), kRU);
        // The order was kept too: "2" is now the oldest.
        again.remember("newer", kRU);
        QCOMPARE(again.recall("2"), std::nullopt);
        QCOMPARE(again.recall("3"), kDE);
    }

    void aDamagedFileIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not JSON") << QByteArray("[{\"appBundleID\":");
        QTest::newRow("an object") << QByteArray("{}");
        QTest::newRow("an entry without a source") << QByteArray(R"([{"appBundleID":"a","inputSourceID":"x"},{"appBundleID":"b"}])");
    }

    void aDamagedFileIsKeptAside()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(path(), content));
        {
            const LogCapture log;
            RememberedInputSources memory(path());
            QCOMPARE(memory.count(), 0);
            QCOMPARE(log.errors().size(), 1);
            memory.remember("c", kDE);
            QVERIFY(memory.flush());
        }
        QCOMPARE(fileContent(path() + ".damaged"), content);
        QCOMPARE(RememberedInputSources(path()).recall("c"), kDE);
    }
};

KELVARO_TEST(RememberedSourcesTest)
#include "RememberedSourcesTest.moc"
