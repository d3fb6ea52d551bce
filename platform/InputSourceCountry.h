#pragma once

#include <QString>

#include <optional>

// What an input source identifier says about the country it belongs to.
// Callable from any thread.
namespace platform {

// Whether the identifier names one of the platform's keyboard layouts
// (under Linux an XKB layout: "xkb:<layout>:<variant>:<language>" as XKB and
// IBus name them, "keyboard-<layout>[-<variant>]" as fcitx5 does).
bool isKeyboardLayoutId(const QString& inputSourceID);

// The ISO 3166 alpha-2 code, upper case, of the country of the keyboard
// layout the identifier names: the first country the layout registry gives
// the variant or else the layout, else the layout name itself when it is a
// two-letter country code. Nothing for other identifiers.
std::optional<QString> countryOfInputSource(const QString& inputSourceID);

} // namespace platform
