#pragma once

#include "platform/SoundPlayer.h"

#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <memory>

class QThread;

namespace platform {

// A sound that records its playbacks instead of making any noise. It counts
// as playing while forced to, or for the play duration after each play().
class FakeSound final : public Sound {
public:
    struct Playback {
        float volume = 0;
        QThread* thread = nullptr;   // the thread that called play()
    };

    explicit FakeSound(const QString& source) : m_source(source) {}

    // The file it was loaded from, or "theme:<name>" for a named sound.
    QString source() const { return m_source; }

    bool isPlaying() const override;
    void setVolume(float volume) override;
    float volume() const override;
    bool play() override;

    void setPlaying(bool playing);
    void setPlayDuration(std::chrono::milliseconds duration);
    // isPlaying() takes this long to return its answer, as a query to a
    // sound server would; meanwhile another thread may start the sound.
    void setQueryDelay(std::chrono::milliseconds delay);

    QList<Playback> playbacks() const;
    int playCount() const { return playbacks().size(); }

private:
    const QString m_source;
    mutable QMutex m_mutex;
    float m_volume = 1;
    bool m_forcedPlaying = false;
    std::chrono::milliseconds m_playDuration{0};
    std::chrono::milliseconds m_queryDelay{0};
    QElapsedTimer m_sinceLastPlay;
    QList<Playback> m_playbacks;
};

// In-memory sound player: any existing file loads unless told otherwise,
// the theme holds only the names added to it, and system clicks are counted.
class FakeSoundPlayer final : public SoundPlayer {
public:
    std::shared_ptr<Sound> loadSound(const QString& path, QString* error = nullptr) override;
    std::shared_ptr<Sound> namedSound(const QString& name) override;
    void playSystemClick() override;

    void addNamedSound(const QString& name);
    void setFilesLoad(bool load);

    QStringList loadRequests() const;
    QStringList namedSoundRequests() const;
    // The last sound handed out by loadSound() or namedSound().
    std::shared_ptr<FakeSound> lastSound() const;
    QList<QThread*> systemClickThreads() const;
    int systemClickCount() const { return systemClickThreads().size(); }

private:
    mutable QMutex m_mutex;
    bool m_filesLoad = true;
    QSet<QString> m_namedSounds;
    QStringList m_loadRequests;
    QStringList m_namedSoundRequests;
    std::shared_ptr<FakeSound> m_lastSound;
    QList<QThread*> m_systemClickThreads;
};

} // namespace platform
