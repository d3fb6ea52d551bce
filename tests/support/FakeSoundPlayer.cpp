#include "FakeSoundPlayer.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>

namespace platform {

bool FakeSound::isPlaying() const
{
    QMutexLocker locker(&m_mutex);
    const bool playing = m_forcedPlaying
        || (m_sinceLastPlay.isValid() && m_sinceLastPlay.elapsed() < m_playDuration.count());
    const std::chrono::milliseconds delay = m_queryDelay;
    locker.unlock();
    if (delay.count() > 0)
        QThread::msleep(static_cast<unsigned long>(delay.count()));
    return playing;
}

void FakeSound::setVolume(float volume)
{
    const QMutexLocker locker(&m_mutex);
    m_volume = std::clamp(volume, 0.0f, 1.0f);
}

float FakeSound::volume() const
{
    const QMutexLocker locker(&m_mutex);
    return m_volume;
}

bool FakeSound::play()
{
    const QMutexLocker locker(&m_mutex);
    m_playbacks.append({m_volume, QThread::currentThread()});
    m_sinceLastPlay.start();
    return true;
}

void FakeSound::setPlaying(bool playing)
{
    const QMutexLocker locker(&m_mutex);
    m_forcedPlaying = playing;
}

void FakeSound::setPlayDuration(std::chrono::milliseconds duration)
{
    const QMutexLocker locker(&m_mutex);
    m_playDuration = duration;
}

void FakeSound::setQueryDelay(std::chrono::milliseconds delay)
{
    const QMutexLocker locker(&m_mutex);
    m_queryDelay = delay;
}

QList<FakeSound::Playback> FakeSound::playbacks() const
{
    const QMutexLocker locker(&m_mutex);
    return m_playbacks;
}

std::shared_ptr<Sound> FakeSoundPlayer::loadSound(const QString& path, QString* error)
{
    const QMutexLocker locker(&m_mutex);
    m_loadRequests.append(path);
    if (!m_filesLoad || !QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("Cannot load %1").arg(path);
        return nullptr;
    }
    m_lastSound = std::make_shared<FakeSound>(path);
    return m_lastSound;
}

std::shared_ptr<Sound> FakeSoundPlayer::namedSound(const QString& name)
{
    const QMutexLocker locker(&m_mutex);
    m_namedSoundRequests.append(name);
    if (!m_namedSounds.contains(name))
        return nullptr;
    m_lastSound = std::make_shared<FakeSound>(QStringLiteral("theme:") + name);
    return m_lastSound;
}

void FakeSoundPlayer::playSystemClick()
{
    const QMutexLocker locker(&m_mutex);
    m_systemClickThreads.append(QThread::currentThread());
}

void FakeSoundPlayer::addNamedSound(const QString& name)
{
    const QMutexLocker locker(&m_mutex);
    m_namedSounds.insert(name);
}

void FakeSoundPlayer::setFilesLoad(bool load)
{
    const QMutexLocker locker(&m_mutex);
    m_filesLoad = load;
}

QStringList FakeSoundPlayer::loadRequests() const
{
    const QMutexLocker locker(&m_mutex);
    return m_loadRequests;
}

QStringList FakeSoundPlayer::namedSoundRequests() const
{
    const QMutexLocker locker(&m_mutex);
    return m_namedSoundRequests;
}

std::shared_ptr<FakeSound> FakeSoundPlayer::lastSound() const
{
    const QMutexLocker locker(&m_mutex);
    return m_lastSound;
}

QList<QThread*> FakeSoundPlayer::systemClickThreads() const
{
    const QMutexLocker locker(&m_mutex);
    return m_systemClickThreads;
}

} // namespace platform
