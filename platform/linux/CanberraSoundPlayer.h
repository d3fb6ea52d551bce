#pragma once

#include "platform/SoundPlayer.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

namespace platform {

class CanberraContext;

// Event sounds through libcanberra, which hands them to the desktop's sound
// server (or ALSA). Sound files are WAV or Ogg Vorbis. Theme sounds follow
// the XDG sound theme layout: "<data dir>/sounds/<theme>/stereo/<name>.<ext>",
// searched in the user's data folder first, then XDG_DATA_DIRS; the theme the
// desktop names first (GNOME's "theme-name" setting, when its schema is
// installed), then "freedesktop".
//
// Without a sound server or device every play() fails at once and nothing
// is heard. All members may be called from any thread.
class CanberraSoundPlayer final : public SoundPlayer {
public:
    CanberraSoundPlayer();
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    std::shared_ptr<Sound> loadSound(const QString& path, QString* error = nullptr) override;
    std::shared_ptr<Sound> namedSound(const QString& name) override;
    void playSystemClick() override;

    // The file namedSound() would play, or an empty string.
    QString themeSoundPath(const QString& name) const;

    // The themes searched, in order.
    QStringList themeNames() const { return m_themeNames; }

    // The event sounds tried in order for the key click: the sound naming
    // scheme's button press (themes with input feedback sounds have it), then
    // the short click of a volume change, which the freedesktop theme has.
    static QStringList systemClickEventIds();

    // libcanberra's volume: decibels as a "C" locale string. 1 is 0 dB; 0
    // (and below) is "-inf", silence; above 1 is clamped to 1.
    static QByteArray decibelsForVolume(float volume);

private:
    std::shared_ptr<CanberraContext> m_context;
    QStringList m_themeNames;
};

} // namespace platform
