#pragma once

#include <QObject>

#include <memory>

class QSettings;

namespace platform {
class SoundPlayer;
}

// The switch click: loaded once at creation, played on request at the volume
// of "soundVolume" unless "soundEnabled" is false. The click is the resource
// "Pop" (.wav, else .oga), else the sound theme's "Pop", else the desktop's
// key click. Playback runs on the global thread pool; everything else, and
// the settings reads, on the object's (the main) thread.
class SoundEffectManager : public QObject {
    Q_OBJECT
public:
    static SoundEffectManager& shared();

    SoundEffectManager(platform::SoundPlayer& player, QSettings& settings, const QString& resourcesDirectory,
                       QObject* parent = nullptr);

    bool isEnabled() const;      // "soundEnabled", true when absent
    double volume() const;       // "soundVolume", 0.5 when absent
    bool useFallback() const;    // no click could be loaded: the desktop's key click plays

    // Callable from any thread; returns at once.
    void playSwitchSound();

private:
    class Playback;

    void startPlayback();

    QSettings& m_settings;
    // Shared with queued playback steps, which hold it weakly: a step that
    // starts after the manager is gone does nothing.
    std::shared_ptr<Playback> m_playback;
};
