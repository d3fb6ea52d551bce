#include "platform/ApplicationResources.h"
#include "platform/linux/CanberraSoundPlayer.h"

#include "ServerProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include <QProcess>
#include <QTest>

using platform::CanberraSoundPlayer;

namespace {

const QString kSystemTheme = QStringLiteral("/usr/share/sounds/freedesktop");

QString popPath()
{
    return ApplicationResources::pathForResource(ApplicationResources::directory(), "Pop", "wav");
}

// What the sound server says about the streams playing now.
QByteArray streams()
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    pactl.waitForFinished(10000);
    return pactl.readAllStandardOutput();
}

} // namespace

// Against a PulseAudio server of the test's own with one null sink: nothing
// reaches a speaker, and the server tells what was played and how loud.
class CanberraSoundPlayerTest : public QObject {
    Q_OBJECT

private:
    ServerProcess m_pulse;
    QByteArray m_pulseAddress;

private slots:
    void initTestCase()
    {
        const QString socket = TestEnvironment::current().root() + "/runtime/pulse-native";
        QString error;
        QVERIFY2(m_pulse.start(QStringLiteral("pulseaudio"),
                               {"-n", "--daemonize=no", "--use-pid-file=no", "--exit-idle-time=-1",
                                "--log-target=stderr", "--log-level=info", "--load=module-null-sink",
                                "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket},
                               &error, "Daemon startup complete"),
                 qPrintable(error));
        m_pulseAddress = "unix:" + QFile::encodeName(socket);
        qputenv("PULSE_SERVER", m_pulseAddress);
        qputenv("CANBERRA_DRIVER", "pulse");   // never ALSA, the machine's own speakers

        QVERIFY2(QFileInfo(kSystemTheme).isDir(), "sound-theme-freedesktop is not installed");
        // The system's theme as the player finds it: in the test's only XDG data folder.
        QVERIFY(QDir().mkpath(TestEnvironment::current().dataDir() + "/sounds"));
        QVERIFY(QFile::link(kSystemTheme, TestEnvironment::current().dataDir() + "/sounds/freedesktop"));
    }

    void loadsOnlyFilesItCanPlay_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("contents");   // written there first unless null
        QTest::addColumn<bool>("playable");
        const QString root = TestEnvironment::current().root();
        QTest::newRow("WAVE") << popPath() << QByteArray() << true;
        QTest::newRow("Ogg") << kSystemTheme + "/stereo/bell.oga" << QByteArray() << true;
        QTest::newRow("missing") << root + "/missing.wav" << QByteArray() << false;
        QTest::newRow("cut short") << root + "/short.wav" << QByteArray("RIFF") << false;
    }

    void loadsOnlyFilesItCanPlay()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, contents);
        QFETCH(bool, playable);
        if (!contents.isNull())
            QVERIFY(writeFile(path, contents));
        CanberraSoundPlayer player;
        QString error;
        QCOMPARE(bool(player.loadSound(path, &error)), playable);
        QVERIFY2(error.contains(path) != playable, qPrintable(error));
    }

    void findsThemeSoundsByNameTheUsersFirst()
    {
        CanberraSoundPlayer player;
        const QString theme = TestEnvironment::current().dataDir() + "/sounds/freedesktop";
        QCOMPARE(player.themeSoundPath("bell"), theme + "/stereo/bell.oga");
        for (const char* name : {"no-such-sound", "", "..", "../../freedesktop/stereo/bell"})
            QVERIFY2(!player.namedSound(name), name);

        const QString own = TestEnvironment::current().dataHome() + "/sounds/freedesktop/stereo/bell.wav";
        QVERIFY(writeFile(own, fileContent(popPath())));
        QCOMPARE(player.themeSoundPath("bell"), own);
        QVERIFY(QFile::remove(own));
    }

    void playsAtItsVolume_data()
    {
        QTest::addColumn<float>("volume");
        QTest::addColumn<QByteArray>("decibels");
        QTest::newRow("half") << 0.5f << QByteArray("/ -6.02 dB");
        QTest::newRow("silent, still played") << 0.0f << QByteArray("/ -inf dB");
        QTest::newRow("louder than recorded") << 2.0f << QByteArray("/ 0.00 dB");
    }

    void playsAtItsVolume()
    {
        QFETCH(float, volume);
        QFETCH(QByteArray, decibels);
        CanberraSoundPlayer player;
        const std::shared_ptr<platform::Sound> sound = player.loadSound(popPath());
        sound->setVolume(volume);
        QVERIFY(sound->play());
        QVERIFY(sound->isPlaying());
        QVERIFY2(streams().contains(decibels), streams().constData());
        // The null sink takes about two seconds to report a stream drained.
        QTRY_VERIFY_WITH_TIMEOUT(!sound->isPlaying(), 15000);
    }

    void theKeyClickIsTheThemesVolumeChangeClick()
    {
        // The freedesktop theme has no button press sound.
        CanberraSoundPlayer player;
        player.playSystemClick();
        QTRY_VERIFY2(streams().contains("event.id = \"audio-volume-change\""), streams().constData());
    }

    void withoutASoundServerPlayingFailsAtOnce()
    {
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(TestEnvironment::current().root() + "/no-server"));
        CanberraSoundPlayer player;
        const std::shared_ptr<platform::Sound> sound = player.loadSound(popPath());
        QVERIFY(!sound->play());
        QVERIFY(!sound->isPlaying());
        player.playSystemClick();   // lost, without a hang
        qputenv("PULSE_SERVER", m_pulseAddress);
    }
};

KELVARO_TEST(CanberraSoundPlayerTest)
#include "CanberraSoundPlayerTest.moc"
