#pragma once

#include <QHash>
#include <QString>

#include <optional>

struct rxkb_context;

namespace platform {

struct KeyboardLayoutInfo {
    QString description;   // "German (no dead keys)"
    QString language;      // first ISO 639-3 code, "deu"; empty when the registry names none
    QString country;       // first ISO 3166 alpha-2 code, "DE"; empty when the registry names none
};

// The XKB layout registry (libxkbregistry over the system's evdev rules),
// read once on first use. shared() may be first called from any thread (the
// load runs once, other callers wait for it); the lookups only read, so they
// too may come from any thread.
class KeyboardLayoutRegistry {
public:
    static KeyboardLayoutRegistry& shared();

    KeyboardLayoutRegistry();
    ~KeyboardLayoutRegistry();
    KeyboardLayoutRegistry(const KeyboardLayoutRegistry&) = delete;
    KeyboardLayoutRegistry& operator=(const KeyboardLayoutRegistry&) = delete;

    bool isLoaded() const { return m_context != nullptr; }

    // A layout with an empty variant is the layout itself. A variant that
    // names no language of its own has its layout's.
    std::optional<KeyboardLayoutInfo> find(const QString& layout, const QString& variant) const;

    // The identifiers IBus gives its XKB engines: "xkb:<layout>:<variant>:<language>".
    static QString inputSourceId(const QString& layout, const QString& variant, const QString& language);
    // The same, with the language the registry gives the layout (none when it
    // does not know it).
    QString inputSourceId(const QString& layout, const QString& variant) const;
    struct LayoutName {
        QString layout;
        QString variant;
    };
    // The layout and variant an identifier of a layout names, XKB's and IBus's or
    // fcitx5's ("keyboard-<layout>[-<variant>]"); nothing for other identifiers.
    static std::optional<LayoutName> parseInputSourceId(const QString& id);

    // The layout and variant with this description, as compositors name the
    // layouts of a keymap ("German (no dead keys)"); when several share it,
    // the first one the registry lists.
    std::optional<LayoutName> findByDescription(const QString& description) const;

private:
    static QString key(const QString& layout, const QString& variant);

    rxkb_context* m_context = nullptr;
    QHash<QString, KeyboardLayoutInfo> m_layouts;
    QHash<QString, LayoutName> m_descriptions;
};

} // namespace platform
