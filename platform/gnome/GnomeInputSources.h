#pragma once

#include "platform/TextInputSources.h"

namespace platform {

class GnomeShellExtension;
class KeyboardLayoutRegistry;

// Input sources of a GNOME session, which GNOME Shell alone switches: the
// list of the Shell's input source menu (XKB layouts and IBus engines in one
// list), read and switched through Kelvaro's Shell extension. An "xkb"
// source such as "de+nodeadkeys" is identified as on X11
// ("xkb:de:nodeadkeys:deu"), so that rules hold across desktops; an "ibus"
// source by its engine name ("anthy"). Every call fails while the extension
// does not answer. Main thread only.
class GnomeInputSources : public TextInputSources {
    Q_OBJECT
public:
    explicit GnomeInputSources(GnomeShellExtension& extension, QObject* parent = nullptr);
    GnomeInputSources(GnomeShellExtension& extension, KeyboardLayoutRegistry& registry, QObject* parent = nullptr);

    std::optional<QList<PlatformInputSource>> enabledInputSources() override;
    std::optional<PlatformInputSource> currentKeyboardInputSource() override;
    int selectInputSource(const PlatformInputSource& source) override;

private:
    GnomeShellExtension& m_extension;
    KeyboardLayoutRegistry& m_registry;
    std::optional<QList<PlatformInputSource>> m_sources;   // none: read it at the next use
};

} // namespace platform
