#pragma once

#include <QByteArray>
#include <QStringList>

namespace platform {

// The value of an 8-bit text property as another X client set it.
namespace XTextProperty {

// The NUL-separated pieces of the value (a final NUL ends the last piece
// rather than starting an empty one). STRING values are Latin-1 by the
// ICCCM; UTF8_STRING and anything else is taken as UTF-8.
QStringList pieces(QByteArray value, bool latin1);

} // namespace XTextProperty

} // namespace platform
