#include "feedback/SoundEffectManager.h"
#include "settings/UserDefaults.h"

#include "FakeSoundPlayer.h"
#include "LogCapture.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using platform::FakeSound;
using platform::FakeSoundPlayer;

namespace {

// Runs the posted requests, then waits for the playback steps they started.
void settle()
{
    QCoreApplication::processEvents();
    QThreadPool::globalInstance()->waitForDone();
}

} // namespace

// The switch click: which sound, whether and how loud, and never two at once.
class SoundTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_resources;
    FakeSoundPlayer m_player;
    QSettings& settings() { return UserDefaults::standard(); }

    std::unique_ptr<SoundEffectManager> create(const QStringList& files)
    {
        for (const QString& name : files)
            writeFile(m_resources.filePath(name), "RIFF");
        return std::make_unique<SoundEffectManager>(m_player, settings(), m_resources.path());
    }

private slots:
    void init()
    {
        settings().clear();
        for (const QString& name : QDir(m_resources.path()).entryList(QDir::Files))
            QFile::remove(m_resources.filePath(name));
        m_player.themeSounds = {QStringLiteral("Pop")};
        m_player.filesLoad = true;
        m_player.lastSound.reset();
    }

    void theClickIsChosenOnceAtCreation_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("filesLoad");
        QTest::addColumn<bool>("themeHasPop");
        QTest::addColumn<QString>("source");   // a file of the resources, "theme:Pop", or "" for the system click
        QTest::newRow("wav before oga and the theme") << QStringList{"Pop.wav", "Pop.oga"} << true << true << "Pop.wav";
        QTest::newRow("oga without wav") << QStringList{"Pop.oga"} << true << true << "Pop.oga";
        QTest::newRow("formats it cannot play") << QStringList{"Pop.mp3", "pop.wav"} << true << true << "theme:Pop";
        QTest::newRow("nothing at all") << QStringList{} << true << false << "";
        QTest::newRow("a file that does not load") << QStringList{"Pop.wav"} << false << true << "";
    }

    void theClickIsChosenOnceAtCreation()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, filesLoad);
        QFETCH(bool, themeHasPop);
        QFETCH(QString, source);
        m_player.filesLoad = filesLoad;
        if (!themeHasPop)
            m_player.themeSounds.clear();
        LogCapture log;
        const auto manager = create(files);
        QCOMPARE(manager->useFallback(), source.isEmpty());
        if (!source.isEmpty())
            QCOMPARE(m_player.lastSound->source, source.startsWith("theme:") ? source : m_resources.filePath(source));
        QCOMPARE(log.errors().size(), filesLoad ? 0 : 1);   // a file that cannot be played says why
    }

    void theSettingsDecideEachRequest()
    {
        const auto manager = create({"Pop.wav"});
        FakeSound& sound = *m_player.lastSound;
        manager->playSwitchSound();   // absent keys: on, at half volume
        settle();
        settings().setValue("soundEnabled", false);
        manager->playSwitchSound();
        settle();
        settings().setValue("soundEnabled", "true");   // as the file has it
        settings().setValue("soundVolume", "0.3");
        manager->playSwitchSound();
        settle();
        settings().setValue("soundVolume", 0.0);   // silent still plays
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound.playbacks().size(), 3);
        QCOMPARE(sound.playbacks()[0].volume, 0.5f);
        QCOMPARE(sound.playbacks()[1].volume, 0.3f);
        QCOMPARE(sound.playbacks()[2].volume, 0.0f);
        QVERIFY(sound.playbacks()[0].thread != qApp->thread());
    }

    // A burst of switches while the click plays: the steps run side by side
    // on the pool, each asking whether it plays before any has started it.
    void aClickNeverStartsTwice()
    {
        const auto manager = create({"Pop.wav"});
        FakeSound& sound = *m_player.lastSound;
        sound.lasts = true;
        sound.queryDelay = std::chrono::milliseconds(20);
        for (int i = 0; i < 20; ++i)
            manager->playSwitchSound();
        settle();
        QCOMPARE(sound.playbacks().size(), 1);
        sound.playing = false;
        manager->playSwitchSound();
        settle();
        QCOMPARE(sound.playbacks().size(), 2);
    }
};

KELVARO_TEST(SoundTest)
#include "SoundTest.moc"
