#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QFileDevice;

// Reading and writing the files that hold the user's data.
namespace platform {

// The content of a regular file (a symbolic link to one is followed) of at
// most maxSize bytes. Anything else at the path, a FIFO or a device, is
// refused without waiting on it or reading from it. Nothing, with *error set,
// otherwise; *missing tells a path where there is no file at all.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxSize, QString* error,
                                          bool* missing = nullptr);

// Writes all of content into the file, open and not written through Qt yet,
// and makes sure it reached the disk (synced). False with *error set when any
// of it did not; a QSaveFile must then not be committed, which keeps the old
// file as it was.
bool writeDurably(QFileDevice& file, const QByteArray& content, QString* error);

// Replaces the file at path with content, atomically (a synced temporary
// file renamed over it). False with *error set when it could not; the old
// file is then as it was.
bool saveAtomically(const QString& path, const QByteArray& content, QString* error);

// Moves a file that could not be read as the program's data to aside
// (replacing an older one there), so that nothing is written over it. True
// when it was moved or there was nothing at path; false with *error set
// otherwise.
bool moveAside(const QString& path, const QString& aside, QString* error);

} // namespace platform
