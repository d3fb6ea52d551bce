#pragma once

#include <QString>

// U+2328 KEYBOARD with the emoji variation selector: the glyph where no flag fits.
inline constexpr char16_t kKeyboardEmoji[] = u"\u2328\uFE0F";

// The flag glyph for an input source identifier (kKeyboardEmoji when none fits).
// Pure; callable from any thread.
QString flagEmoji(const QString& inputSourceID);
