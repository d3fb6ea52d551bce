#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform::DesktopEntryFile {

// Entries longer than this are not read. Real ones are a few KiB; those with
// every translation of a large desktop stay under 200 KiB.
inline constexpr qint64 kMaxSize = 1024 * 1024;

// The bytes of the entry at `path` (links followed) when it is a regular file
// of at most kMaxSize bytes; nothing for anything else (a FIFO, a device, a
// folder), a longer file or one that cannot be read. Never waits for a writer.
std::optional<QByteArray> read(const QString& path);

} // namespace platform::DesktopEntryFile
