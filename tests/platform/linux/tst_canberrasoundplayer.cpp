#include "platform/ApplicationResources.h"
#include "platform/linux/CanberraSoundPlayer.h"

#include "ServerProcess.h"
#include "TestEnvironment.h"
#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <memory>
#include <optional>

using platform::CanberraSoundPlayer;

namespace {

const QString systemThemeFolder = QStringLiteral("/usr/share/sounds/freedesktop");
const QByteArray noSoundDevice = "kelvaro-no-such-device";

struct WaveFile {
    quint16 format = 0;
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint16 bitsPerSample = 0;
    QByteArray samples;
};

// Reads a RIFF WAVE file chunk by chunk; nothing when it is not one or its
// sizes do not add up.
std::optional<WaveFile> readWave(const QByteArray& data)
{
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return std::nullopt;
    if (qFromLittleEndian<quint32>(data.constData() + 4) + 8 != quint32(data.size()))
        return std::nullopt;
    WaveFile wave;
    bool hasFormat = false;
    bool hasData = false;
    qsizetype offset = 12;
    while (offset + 8 <= data.size()) {
        const QByteArray id = data.mid(offset, 4);
        const quint32 size = qFromLittleEndian<quint32>(data.constData() + offset + 4);
        const qsizetype body = offset + 8;
        if (body + qsizetype(size) > data.size())
            return std::nullopt;
        if (id == "fmt " && size >= 16) {
            wave.format = qFromLittleEndian<quint16>(data.constData() + body);
            wave.channels = qFromLittleEndian<quint16>(data.constData() + body + 2);
            wave.sampleRate = qFromLittleEndian<quint32>(data.constData() + body + 4);
            wave.bitsPerSample = qFromLittleEndian<quint16>(data.constData() + body + 14);
            hasFormat = true;
        } else if (id == "data") {
            wave.samples = data.mid(body, size);
            hasData = true;
        }
        offset = body + size + (size & 1);
    }
    if (!hasFormat || !hasData)
        return std::nullopt;
    return wave;
}

QByteArray noSoundServer()
{
    return "unix:" + QFile::encodeName(TestEnvironment::current().root() + "/no-pulse-server");
}

// A PulseAudio server of the test's own: one null sink, reached without a
// cookie through a socket in the test's runtime folder.
class PrivatePulseServer {
public:
    ~PrivatePulseServer() { stopProcess(m_process); }

    bool start(QString* error)
    {
        const QString program = QStandardPaths::findExecutable("pulseaudio");
        if (program.isEmpty()) {
            *error = "pulseaudio is not installed";
            return false;
        }
        const QString folder = TestEnvironment::current().root() + "/runtime/kelvaro-pulse";
        QDir().mkpath(folder);
        m_socket = folder + "/native";
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, {"-n", "--daemonize=no", "--system=no", "--use-pid-file=no", "--exit-idle-time=-1",
                                  "--disallow-module-loading", "--log-target=stderr",
                                  "--load=module-null-sink sink_name=kelvaro_null",
                                  "--load=module-native-protocol-unix auth-anonymous=1 socket=" + m_socket});
        const QDeadlineTimer deadline(20000);
        while (!QFileInfo::exists(m_socket)) {
            if (m_process.state() == QProcess::NotRunning || deadline.hasExpired()) {
                m_process.kill();
                m_process.waitForFinished(5000);
                *error = "pulseaudio did not start: " + QString::fromLocal8Bit(m_process.readAll());
                return false;
            }
            QThread::msleep(20);
        }
        return true;
    }

    QByteArray address() const { return "unix:" + QFile::encodeName(m_socket); }

    // What "pactl list sink-inputs" says about the streams playing now.
    QByteArray streams() const
    {
        QProcess pactl;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PULSE_SERVER", QString::fromLocal8Bit(address()));
        pactl.setProcessEnvironment(environment);
        pactl.start("pactl", {"list", "sink-inputs"});
        pactl.waitForFinished(10000);
        return pactl.readAllStandardOutput();
    }

private:
    QProcess m_process;
    QString m_socket;
};

} // namespace

class CanberraSoundPlayerTest : public QObject {
    Q_OBJECT

private:
    QString popPath() const
    {
        return ApplicationResources::pathForResource(ApplicationResources::directory(), "Pop", "wav");
    }

private slots:
    void initTestCase()
    {
        // Whatever this machine has, no sound reaches a speaker: a sound
        // server that does not exist and an output device that does not either.
        qputenv("PULSE_SERVER", noSoundServer());
        qputenv("CANBERRA_DEVICE", noSoundDevice);

        // The freedesktop theme, seen through the test's only XDG data folder.
        QVERIFY2(QFileInfo(systemThemeFolder).isDir(), "sound-theme-freedesktop is not installed");
        const QString sounds = TestEnvironment::current().dataDir() + "/sounds";
        QVERIFY(QDir().mkpath(sounds));
        QVERIFY(QFile::link(systemThemeFolder, sounds + "/freedesktop"));
    }

    void popResourceIsAShortAudibleClick()
    {
        const QString path = popPath();
        QVERIFY2(!path.isEmpty(), "Pop.wav is not next to the test binary");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::optional<WaveFile> wave = readWave(file.readAll());
        QVERIFY2(wave, "Pop.wav is not a well-formed WAVE file");

        QCOMPARE(wave->format, quint16(1));   // PCM, which libcanberra decodes
        QCOMPARE(wave->bitsPerSample, quint16(16));
        QVERIFY(wave->channels == 1 || wave->channels == 2);
        QVERIFY(wave->sampleRate >= 8000 && wave->sampleRate <= 96000);
        const qsizetype frameSize = wave->channels * 2;
        QCOMPARE(wave->samples.size() % frameSize, 0);
        const double seconds = double(wave->samples.size() / frameSize) / wave->sampleRate;
        QVERIFY2(seconds > 0.01 && seconds < 0.3, qPrintable(QString::number(seconds)));

        int peak = 0;
        for (qsizetype i = 0; i + 1 < wave->samples.size(); i += 2)
            peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(wave->samples.constData() + i))));
        QVERIFY2(peak > 32767 / 10, "the click is nearly silent");
        // Ends at rest, without a crack.
        const auto lastSample = qFromLittleEndian<qint16>(wave->samples.constData() + wave->samples.size() - 2);
        QVERIFY(std::abs(int(lastSample)) < 32767 / 100);
    }

    void loadsOnlyFilesItCanPlay()
    {
        CanberraSoundPlayer player;
        QString error;
        QVERIFY(player.loadSound(popPath(), &error));
        QVERIFY(error.isEmpty());

        const QString ogg = systemThemeFolder + "/stereo/bell.oga";
        QVERIFY(player.loadSound(ogg));

        const QString missing = TestEnvironment::current().root() + "/missing.wav";
        QVERIFY(!player.loadSound(missing, &error));
        QVERIFY2(error.contains(missing), qPrintable(error));

        const QString text = TestEnvironment::current().root() + "/Pop.wav";
        QVERIFY(writeFile(text, "not a sound at all"));
        error.clear();
        QVERIFY(!player.loadSound(text, &error));
        QVERIFY2(error.contains(text), qPrintable(error));

        const QString truncated = TestEnvironment::current().root() + "/short.wav";
        QVERIFY(writeFile(truncated, "RIFF"));
        QVERIFY(!player.loadSound(truncated));

        QVERIFY(!player.loadSound(TestEnvironment::current().root(), &error));
    }

    void findsThemeSoundsByName()
    {
        CanberraSoundPlayer player;
        QCOMPARE(player.themeNames().last(), QStringLiteral("freedesktop"));
        const QString bell = player.themeSoundPath("bell");
        QCOMPARE(bell, TestEnvironment::current().dataDir() + "/sounds/freedesktop/stereo/bell.oga");
        QVERIFY(player.namedSound("bell"));

        for (const char* name : {"Pop", "no-such-sound", "", "..", "../freedesktop/stereo/bell"}) {
            QVERIFY2(player.themeSoundPath(name).isEmpty(), name);
            QVERIFY2(!player.namedSound(name), name);
        }

        // The user's own data folder comes before the system's.
        const QString own = TestEnvironment::current().dataHome() + "/sounds/freedesktop/stereo/bell.wav";
        QFile pop(popPath());
        QVERIFY(pop.open(QIODevice::ReadOnly));
        QVERIFY(writeFile(own, pop.readAll()));
        QCOMPARE(player.themeSoundPath("bell"), own);
        QVERIFY(QFile::remove(own));
    }

    void volumeBecomesDecibels_data()
    {
        QTest::addColumn<float>("volume");
        QTest::addColumn<QByteArray>("decibels");
        QTest::newRow("full") << 1.0f << QByteArray("0.00");
        QTest::newRow("half") << 0.5f << QByteArray("-6.02");
        QTest::newRow("tenth") << 0.1f << QByteArray("-20.00");
        QTest::newRow("silent") << 0.0f << QByteArray("-inf");
        QTest::newRow("below silent") << -0.5f << QByteArray("-inf");
        QTest::newRow("nearly silent") << 1e-12f << QByteArray("-240.00");
        QTest::newRow("louder than recorded") << 2.0f << QByteArray("0.00");
    }

    void volumeBecomesDecibels()
    {
        QFETCH(float, volume);
        QFETCH(QByteArray, decibels);
        QCOMPARE(CanberraSoundPlayer::decibelsForVolume(volume), decibels);
    }

    void playingWithoutASoundServerFailsQuietly()
    {
        CanberraSoundPlayer player;
        const std::shared_ptr<platform::Sound> sound = player.loadSound(popPath());
        QVERIFY(sound);
        sound->setVolume(0.25f);
        QCOMPARE(sound->volume(), 0.25f);
        sound->setVolume(7);
        QCOMPARE(sound->volume(), 1.0f);

        // A hang here would be a bug, not slowness: the bound is generous.
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!sound->play());
            QVERIFY(!sound->isPlaying());
            player.playSystemClick();
        }
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    }

    void playsThroughASoundServer()
    {
        PrivatePulseServer server;
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        qputenv("PULSE_SERVER", server.address());
        qunsetenv("CANBERRA_DEVICE");
        const auto restore = qScopeGuard([] {
            qputenv("PULSE_SERVER", noSoundServer());
            qputenv("CANBERRA_DEVICE", noSoundDevice);
        });

        CanberraSoundPlayer player;
        const std::shared_ptr<platform::Sound> sound = player.loadSound(popPath());
        QVERIFY(sound);
        QVERIFY(!sound->isPlaying());

        // The null sink takes about two seconds to report a stream drained.
        sound->setVolume(0.5f);
        QVERIFY(sound->play());
        QVERIFY(sound->isPlaying());
        QVERIFY2(server.streams().contains("/ -6.02 dB"), server.streams().constData());
        QTRY_VERIFY_WITH_TIMEOUT(!sound->isPlaying(), 15000);

        // Silent is still played.
        sound->setVolume(0);
        QVERIFY(sound->play());
        QVERIFY(sound->isPlaying());
        QVERIFY2(server.streams().contains("/ -inf dB"), server.streams().constData());
        QTRY_VERIFY_WITH_TIMEOUT(!sound->isPlaying(), 15000);

        // The key click: the freedesktop theme has no button press, so the volume-change click.
        player.playSystemClick();
        QVERIFY2(server.streams().contains("event.id = \"audio-volume-change\""), server.streams().constData());
    }
};

KELVARO_TEST_MAIN(CanberraSoundPlayerTest, QCoreApplication)

#include "tst_canberrasoundplayer.moc"
