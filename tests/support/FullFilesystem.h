#pragma once

#include <QString>
#include <QStringList>

// The command that runs a program (named after it) with its own view of a
// folder: in a mount namespace of its own (`unshare -m`, which needs root) a
// small tmpfs is mounted over the folder, the folder's files are copied onto
// it, and a filler leaves one page (4 KiB) free. The program's standard output
// goes to its standard error. While it runs, a test reads the files it left
// there under /proc/<its pid>/root; the tmpfs goes with the program.
inline QStringList onAlmostFullFilesystem(const QString& folder)
{
    // The shell stays in the folder it mounts over, to copy what it held.
    return {QStringLiteral("unshare"), QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
            QStringLiteral(R"(cd "$1" && mount -t tmpfs -o size=256k tmpfs "$1" && cp -a . "$1"/ || exit 70
dd if=/dev/zero of="$1/.filler" bs=4096 2>/dev/null; truncate -s -4096 "$1/.filler"
cd / && shift && exec "$@" 1>&2)"),
            QStringLiteral("sh"), folder};
}
