#pragma once

#include <QObject>

class QSettings;

namespace platform {
class SoundPlayer;
}

// The switch click: loaded once at creation, played on request at the volume
// of "soundVolume" unless "soundEnabled" is false.
class SoundEffectManager : public QObject {
    Q_OBJECT
public:
    static SoundEffectManager& shared();

    SoundEffectManager(platform::SoundPlayer& player, QSettings& settings, const QString& resourcesDirectory,
                       QObject* parent = nullptr);

    bool isEnabled() const;      // "soundEnabled", true when absent
    double volume() const;       // "soundVolume", 0.5 when absent
    bool useFallback() const;

    // Callable from any thread; returns at once.
    void playSwitchSound();

private:
    // Implementation-specific members are the implementer's to add.
};
