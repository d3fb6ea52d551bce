#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

#include <optional>

// The picture of the tray item: a symbol in a square on the left, followed,
// when given, by a flag (or other glyph) as text. Pure drawing; main thread
// only (fonts and icon themes).
namespace TrayIconImage {

// One picture of the given height in device pixels. The symbol fills the
// square [0, height) at the left; the flag starts after a small gap.
QImage render(const QString& symbol, const std::optional<QString>& flag, int height);

// The picture at the heights trays commonly ask for.
QIcon icon(const QString& symbol, const std::optional<QString>& flag);

} // namespace TrayIconImage
