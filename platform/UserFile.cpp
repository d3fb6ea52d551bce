#include "platform/UserFile.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxSize, QString* error, bool* missing)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (missing)
        *missing = descriptor < 0 && errno == ENOENT;
    if (descriptor < 0) {
        *error = QStringLiteral("The file \"%1\" couldn't be read: %2").arg(path, systemError(errno));
        return std::nullopt;
    }
    QFile file;
    file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        *error = QStringLiteral("The file \"%1\" is not a regular file.").arg(path);
        return std::nullopt;
    }
    // The size is read again, whole: the file may grow after fstat.
    QByteArray content = status.st_size <= maxSize ? file.read(maxSize + 1) : QByteArray();
    if (status.st_size > maxSize || content.size() > maxSize) {
        *error = QStringLiteral("The file \"%1\" is larger than %2.")
                     .arg(path, QLocale::c().formattedDataSize(maxSize, 0, QLocale::DataSizeIecFormat));
        return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("The file \"%1\" couldn't be read: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return content;
}

bool writeDurably(QFileDevice& file, const QByteArray& content, QString* error)
{
    // Straight to the descriptor: a write that fits Qt's buffer would only
    // fail when the buffer is flushed, which QSaveFile::commit() does not
    // check (nor the sync), and a short write there has no reason to give.
    const int descriptor = file.handle();
    for (qsizetype done = 0; done < content.size();) {
        const ssize_t written = ::write(descriptor, content.constData() + done, size_t(content.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            *error = systemError(written < 0 ? errno : EIO);
            return false;
        }
        done += written;
    }
    if (::fdatasync(descriptor) != 0) {
        *error = systemError(errno);
        return false;
    }
    return true;
}

bool saveAtomically(const QString& path, const QByteArray& content, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !writeDurably(file, content, error) || !file.commit()) {
        if (file.error() != QFileDevice::NoError)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool moveAside(const QString& path, const QString& aside, QString* error)
{
    if (!QFile::exists(path))
        return true;
    QFile::remove(aside);
    QFile damaged(path);
    if (!damaged.rename(aside)) {
        *error = QStringLiteral("it could not be moved to \"%1\": %2").arg(aside, damaged.errorString());
        return false;
    }
    return true;
}

} // namespace platform
