#pragma once

#include <QString>

#include <memory>

namespace platform {

// A sound ready to be played. Every member may be called from any thread,
// also from several at once.
class Sound {
public:
    virtual ~Sound() = default;

    // True while the last playback started by play() is still audible.
    virtual bool isPlaying() const = 0;

    // Linear volume from 0 (silent) to 1 (as recorded); values outside are
    // clamped. Applies from the next play().
    virtual void setVolume(float volume) = 0;
    virtual float volume() const = 0;

    // Starts playback and returns at once; false when the sound system
    // refused it (no sound server, no device).
    virtual bool play() = 0;
};

// The desktop's event sounds. Every member may be called from any thread.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // A sound read from a file; null, with the reason in *error, when the
    // file is missing or not in a format the player plays.
    virtual std::shared_ptr<Sound> loadSound(const QString& path, QString* error = nullptr) = 0;

    // A sound of the desktop's sound theme by name (e.g. "bell"); null when
    // the theme has no sound of that name.
    virtual std::shared_ptr<Sound> namedSound(const QString& name) = 0;

    // The desktop's short key-click event sound at its own volume. Returns at
    // once; a click the sound system refuses is lost.
    virtual void playSystemClick() = 0;
};

} // namespace platform
