#include "feedback/SoundEffectManager.h"

#include "logging/Logger.h"
#include "platform/ApplicationResources.h"
#include "platform/Platform.h"
#include "platform/SoundPlayer.h"
#include "settings/UserDefaults.h"

#include <QCoreApplication>
#include <QSettings>
#include <QThread>
#include <QThreadPool>

#include <atomic>

namespace {

const QString kEnabledKey = QStringLiteral("soundEnabled");
const QString kVolumeKey = QStringLiteral("soundVolume");
constexpr bool kDefaultEnabled = true;
constexpr double kDefaultVolume = 0.5;
const QString kSoundName = QStringLiteral("Pop");
// libcanberra decodes WAV and Ogg Vorbis.
const QStringList kResourceExtensions = {QStringLiteral("wav"), QStringLiteral("oga")};
const QString kFallbackMessage = QStringLiteral("NSSound failed to load, using AudioServices fallback");
// QThreadPool's priority only orders the queue: a click is taken before any
// other work waiting for a pool thread.
constexpr int kPlaybackQueuePriority = QThread::TimeCriticalPriority;

} // namespace

// What a playback step needs, fixed at construction.
class SoundEffectManager::Playback {
public:
    Playback(platform::SoundPlayer& player, std::shared_ptr<platform::Sound> sound)
        : m_player(player)
        , m_sound(std::move(sound))
    {
    }

    bool useFallback() const { return !m_sound; }

    // Runs on a pool thread, possibly on several at once.
    void play(float volume)
    {
        if (!m_sound) {
            m_player.playSystemClick();
            return;
        }
        // Only one step at a time may test and start the click; a step that
        // finds another one starting it is dropped like a request made while
        // the click plays, instead of starting it twice.
        if (m_starting.test_and_set())
            return;
        if (!m_sound->isPlaying()) {
            m_sound->setVolume(volume);
            m_sound->play();
        }
        m_starting.clear();
    }

private:
    platform::SoundPlayer& m_player;
    const std::shared_ptr<platform::Sound> m_sound;
    std::atomic_flag m_starting;
};

SoundEffectManager& SoundEffectManager::shared()
{
    static SoundEffectManager* const instance = [] {
        auto* manager = new SoundEffectManager(platform::sharedSoundPlayer(), UserDefaults::standard(),
                                               ApplicationResources::directory());
        // Requests are handled on the main thread even when the first one came from elsewhere.
        if (const QCoreApplication* application = QCoreApplication::instance())
            manager->moveToThread(application->thread());
        return manager;
    }();
    return *instance;
}

SoundEffectManager::SoundEffectManager(platform::SoundPlayer& player, QSettings& settings,
                                       const QString& resourcesDirectory, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
    QString path;
    for (const QString& extension : kResourceExtensions) {
        path = ApplicationResources::pathForResource(resourcesDirectory, kSoundName, extension);
        if (!path.isEmpty())
            break;
    }

    std::shared_ptr<platform::Sound> sound;
    if (!path.isEmpty()) {
        QString error;
        sound = player.loadSound(path, &error);
        if (!sound)
            Logger::shared().error(error);
    } else {
        sound = player.namedSound(kSoundName);
    }

    m_playback = std::make_shared<Playback>(player, std::move(sound));
    if (m_playback->useFallback())
        Logger::shared().info(kFallbackMessage);
}

bool SoundEffectManager::isEnabled() const
{
    return UserDefaults::boolValue(m_settings, kEnabledKey, kDefaultEnabled);
}

double SoundEffectManager::volume() const
{
    return UserDefaults::doubleValue(m_settings, kVolumeKey).value_or(kDefaultVolume);
}

bool SoundEffectManager::useFallback() const
{
    return m_playback->useFallback();
}

void SoundEffectManager::playSwitchSound()
{
    // Posted even on the main thread; dropped with the object if it is deleted first.
    QMetaObject::invokeMethod(this, &SoundEffectManager::startPlayback, Qt::QueuedConnection);
}

void SoundEffectManager::startPlayback()
{
    if (!isEnabled())
        return;
    // The settings store is read on this thread only; the step gets the value.
    const auto volume = static_cast<float>(this->volume());
    QThreadPool::globalInstance()->start(
        [playback = std::weak_ptr<Playback>(m_playback), volume] {
            if (const std::shared_ptr<Playback> current = playback.lock())
                current->play(volume);
        },
        kPlaybackQueuePriority);
}
