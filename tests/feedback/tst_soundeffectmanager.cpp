#include "FakeSoundPlayer.h"
#include "feedback/SoundEffectManager.h"
#include "settings/UserDefaults.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <chrono>
#include <memory>

using platform::FakeSound;
using platform::FakeSoundPlayer;
using namespace std::chrono_literals;

namespace {

const QString fallbackLine = QStringLiteral("NSSound failed to load, using AudioServices fallback");

QThread* mainThread()
{
    return QCoreApplication::instance()->thread();
}

// Runs the posted requests, then waits for the playback steps they started.
void settle()
{
    QCoreApplication::processEvents();
    QThreadPool::globalInstance()->waitForDone();
}

} // namespace

class SoundEffectManagerTest : public QObject {
    Q_OBJECT

private:
    QSettings& settings() { return UserDefaults::standard(); }

    // A resources folder holding empty files of these names.
    std::unique_ptr<QTemporaryDir> makeResources(const QStringList& fileNames)
    {
        auto folder = std::make_unique<QTemporaryDir>();
        for (const QString& name : fileNames) {
            QFile file(folder->filePath(name));
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot write %s", qPrintable(file.fileName()));
        }
        return folder;
    }

    std::unique_ptr<SoundEffectManager> create(FakeSoundPlayer& player, const QTemporaryDir& resources)
    {
        return std::make_unique<SoundEffectManager>(player, settings(), resources.path());
    }

private slots:
    void init()
    {
        settings().clear();
        settings().sync();
    }

    void cleanup() { settle(); }

    void choosesTheClickOnceAtCreation_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("filesLoad");
        QTest::addColumn<bool>("themeHasPop");
        QTest::addColumn<QString>("expectedSource");   // file name, "theme:Pop", or "" for the fallback
        QTest::addColumn<bool>("expectNamedLookup");

        QTest::newRow("wav before oga and before the theme")
            << QStringList{"Pop.wav", "Pop.oga"} << true << true << "Pop.wav" << false;
        QTest::newRow("oga when there is no wav") << QStringList{"Pop.oga"} << true << true << "Pop.oga" << false;
        QTest::newRow("formats the player cannot play are not looked for")
            << QStringList{"Pop.aiff", "Pop.mp3", "pop.wav"} << true << true << "theme:Pop" << true;
        QTest::newRow("theme sound without a resource") << QStringList{} << true << true << "theme:Pop" << true;
        QTest::newRow("nothing at all") << QStringList{} << true << false << "" << true;
        QTest::newRow("resource that does not load") << QStringList{"Pop.wav"} << false << true << "" << false;
    }

    void choosesTheClickOnceAtCreation()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, filesLoad);
        QFETCH(bool, themeHasPop);
        QFETCH(QString, expectedSource);
        QFETCH(bool, expectNamedLookup);

        FakeSoundPlayer player;
        player.setFilesLoad(filesLoad);
        if (themeHasPop)
            player.addNamedSound("Pop");
        const auto resources = makeResources(files);
        LogCapture log;
        const auto manager = create(player, *resources);

        const bool fallback = expectedSource.isEmpty();
        QCOMPARE(manager->useFallback(), fallback);
        QCOMPARE(player.namedSoundRequests(), expectNamedLookup ? QStringList{"Pop"} : QStringList{});
        if (!fallback) {
            const QString expected = expectedSource.startsWith("theme:") ? expectedSource
                                                                         : resources->filePath(expectedSource);
            QCOMPARE(player.lastSound()->source(), expected);
        }
        QCOMPARE(log.infos(), fallback ? QStringList{fallbackLine} : QStringList{});
        // A resource that exists but cannot be played says why.
        QCOMPARE(log.errors().size(), !filesLoad && !files.isEmpty() ? 1 : 0);
    }

    void settingsDecideEachRequest()
    {
        FakeSoundPlayer player;
        const auto resources = makeResources({"Pop.wav"});
        const auto manager = create(player, *resources);
        const std::shared_ptr<FakeSound> sound = player.lastSound();

        // Absent keys: enabled, half volume.
        QVERIFY(manager->isEnabled());
        QCOMPARE(manager->volume(), 0.5);
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound->playCount(), 1);
        QCOMPARE(sound->playbacks().last().volume, 0.5f);

        // Values nobody can read count as absent.
        settings().setValue("soundEnabled", "sometimes");
        settings().setValue("soundVolume", "loud");
        QVERIFY(manager->isEnabled());
        QCOMPARE(manager->volume(), 0.5);

        settings().setValue("soundEnabled", false);
        manager->playSwitchSound();
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound->playCount(), 1);

        // As read back from the file.
        settings().setValue("soundEnabled", "true");
        settings().setValue("soundVolume", "0.3");
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound->playCount(), 2);
        QCOMPARE(sound->playbacks().last().volume, 0.3f);

        // Silent still plays; the next change applies without loading again.
        settings().setValue("soundVolume", 0.0);
        manager->playSwitchSound();
        settle();
        settings().setValue("soundVolume", 0.8);
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound->playCount(), 4);
        QCOMPARE(sound->playbacks().at(2).volume, 0.0f);
        QCOMPARE(sound->playbacks().at(3).volume, 0.8f);
        QCOMPARE(player.loadRequests().size(), 1);
    }

    void requestWhileTheClickPlaysIsDropped()
    {
        FakeSoundPlayer player;
        const auto resources = makeResources({"Pop.wav"});
        const auto manager = create(player, *resources);
        const std::shared_ptr<FakeSound> sound = player.lastSound();

        // Two switches 50 ms apart, the click lasting longer: one click.
        sound->setPlayDuration(10s);
        manager->playSwitchSound();
        settle();
        QTest::qWait(50);
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound->playCount(), 1);

        // Still playing, by the sound's own account: dropped; finished: played.
        sound->setPlayDuration(0ms);
        sound->setPlaying(true);
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound->playCount(), 1);
        sound->setPlaying(false);
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound->playCount(), 2);
    }

    // The steps of a burst run side by side on the pool threads, each asking
    // whether the click plays before any of them has started it.
    void burstOfRequestsStartsOneClick()
    {
        FakeSoundPlayer player;
        const auto resources = makeResources({"Pop.wav"});
        const auto manager = create(player, *resources);
        const std::shared_ptr<FakeSound> sound = player.lastSound();
        sound->setPlayDuration(10s);
        sound->setQueryDelay(20ms);

        for (int i = 0; i < 20; ++i)
            manager->playSwitchSound();
        settle();
        QCOMPARE(sound->playCount(), 1);

        sound->setPlayDuration(0ms);
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound->playCount(), 2);
    }

    void withoutAClickEveryRequestPlaysTheSystemClick()
    {
        FakeSoundPlayer player;
        const auto resources = makeResources({});
        LogCapture log;
        const auto manager = create(player, *resources);
        QVERIFY(manager->useFallback());

        settings().setValue("soundVolume", 0.0);
        manager->playSwitchSound();
        manager->playSwitchSound();
        settle();
        settings().setValue("soundVolume", 1.0);
        manager->playSwitchSound();
        settle();
        QCOMPARE(player.systemClickCount(), 3);

        settings().setValue("soundEnabled", false);
        manager->playSwitchSound();
        settle();
        QCOMPARE(player.systemClickCount(), 3);
        QCOMPARE(log.infos(), QStringList{fallbackLine});
    }

    void playbackRunsOffTheMainThread()
    {
        FakeSoundPlayer player;
        player.addNamedSound("Pop");
        const auto resources = makeResources({});
        const auto manager = create(player, *resources);
        manager->playSwitchSound();
        settle();
        QCOMPARE(player.lastSound()->playCount(), 1);
        QVERIFY(player.lastSound()->playbacks().first().thread != mainThread());

        FakeSoundPlayer silentPlayer;
        const auto fallback = create(silentPlayer, *resources);
        fallback->playSwitchSound();
        settle();
        QCOMPARE(silentPlayer.systemClickCount(), 1);
        QVERIFY(silentPlayer.systemClickThreads().first() != mainThread());
    }

    void requestsFromAWorkerThreadArePlayed()
    {
        FakeSoundPlayer player;
        const auto resources = makeResources({"Pop.wav"});
        const auto manager = create(player, *resources);
        std::unique_ptr<QThread> worker(QThread::create([&manager] { manager->playSwitchSound(); }));
        worker->start();
        QVERIFY(worker->wait(5000));
        // Nothing has run yet: the request waits for the main thread.
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(player.lastSound()->playCount(), 0);

        settle();
        QCOMPARE(player.lastSound()->playCount(), 1);
    }

    void requestsOutlivingTheManagerAreDropped()
    {
        FakeSoundPlayer player;
        const auto resources = makeResources({"Pop.wav"});

        // Posted but not yet handled on the main thread.
        auto manager = create(player, *resources);
        std::shared_ptr<FakeSound> sound = player.lastSound();
        manager->playSwitchSound();
        manager.reset();
        settle();
        QCOMPARE(sound->playCount(), 0);

        // Handed to the pool but not yet started there: hold every pool thread.
        manager = create(player, *resources);
        sound = player.lastSound();
        QThreadPool& pool = *QThreadPool::globalInstance();
        QSemaphore started;
        QSemaphore release;
        const int threads = pool.maxThreadCount();
        for (int i = 0; i < threads; ++i) {
            pool.start([&] {
                started.release();
                release.acquire();
            });
        }
        QVERIFY(started.tryAcquire(threads, 5000));
        manager->playSwitchSound();
        QCoreApplication::processEvents();
        manager.reset();
        release.release(threads);
        pool.waitForDone();
        QCOMPARE(sound->playCount(), 0);
    }
};

KELVARO_TEST_MAIN(SoundEffectManagerTest, QCoreApplication)

#include "tst_soundeffectmanager.moc"
