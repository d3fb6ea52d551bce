#pragma once

#include "platform/SoundPlayer.h"

#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QThread>

#include <atomic>
#include <chrono>
#include <memory>

namespace platform {

// A sound that records its playbacks instead of making any noise. It plays
// while `playing` is set, or, with `lasts`, from its first play() on;
// isPlaying() takes `queryDelay` to answer, as a sound server would.
class FakeSound final : public Sound {
public:
    struct Playback {
        float volume;
        QThread* thread;
    };

    explicit FakeSound(const QString& source) : source(source) {}

    const QString source;   // the file, or "theme:<name>"
    std::atomic<bool> playing{false};
    std::atomic<bool> lasts{false};
    std::chrono::milliseconds queryDelay{0};

    bool isPlaying() const override
    {
        QThread::msleep(static_cast<unsigned long>(queryDelay.count()));
        return playing;
    }
    void setVolume(float volume) override { m_volume = volume; }
    float volume() const override { return m_volume; }
    bool play() override
    {
        const QMutexLocker locker(&m_mutex);
        m_playbacks.append({m_volume, QThread::currentThread()});
        playing = playing || lasts;
        return true;
    }
    QList<Playback> playbacks() const
    {
        const QMutexLocker locker(&m_mutex);
        return m_playbacks;
    }

private:
    std::atomic<float> m_volume{1};
    mutable QMutex m_mutex;
    QList<Playback> m_playbacks;
};

// Files load when they exist (and `filesLoad`), the theme holds `themeSounds`.
class FakeSoundPlayer final : public SoundPlayer {
public:
    bool filesLoad = true;
    QSet<QString> themeSounds;
    std::shared_ptr<FakeSound> lastSound;   // the last one handed out

    std::shared_ptr<Sound> loadSound(const QString& path, QString* error = nullptr) override
    {
        if (!filesLoad || !QFileInfo(path).isFile()) {
            if (error)
                *error = QStringLiteral("Cannot load %1").arg(path);
            return nullptr;
        }
        return lastSound = std::make_shared<FakeSound>(path);
    }
    std::shared_ptr<Sound> namedSound(const QString& name) override
    {
        return themeSounds.contains(name) ? lastSound = std::make_shared<FakeSound>("theme:" + name) : nullptr;
    }
    void playSystemClick() override {}
};

} // namespace platform
