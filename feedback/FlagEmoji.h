#pragma once

#include <QString>

// The flag glyph for an input source identifier ("⌨️" when none fits).
// Pure; callable from any thread.
QString flagEmoji(const QString& inputSourceID);
