#include "platform/ProcessLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool sameFile(int fd, const QByteArray& path)
{
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && lstat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev
           && opened.st_ino == named.st_ino;
}

} // namespace

ProcessLock::ProcessLock(const QString& path)
    : m_path(path)
{
}

ProcessLock::~ProcessLock()
{
    if (m_fd < 0)
        return;
    // Removed while still held: a start that opened it just now finds it held,
    // and its next attempt creates a new one.
    unlink(QFile::encodeName(m_path).constData());
    close(m_fd);
}

ProcessLock::Result ProcessLock::tryLock(QString* error)
{
    if (m_fd >= 0)
        return Result::Locked;
    const QByteArray path = QFile::encodeName(m_path);
    // A few rounds: each one that fails found a file another start replaced or removed meanwhile.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            const int openError = errno;
            if ((openError == EACCES || openError == EPERM || openError == ELOOP)
                && unlink(path.constData()) == 0)
                continue;
            *error = errorText(openError);
            return Result::Failed;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int lockError = errno;
            close(fd);
            if (lockError == EWOULDBLOCK)
                return Result::HeldElsewhere;
            *error = errorText(lockError);
            return Result::Failed;
        }
        // The holder before us may have removed the file between our open and our lock.
        if (!sameFile(fd, path)) {
            close(fd);
            continue;
        }
        // The holder's process, for whoever looks; the lock holds without it.
        const QByteArray pid = QByteArray::number(qint64(getpid())) + '\n';
        [[maybe_unused]] const bool written =
            ftruncate(fd, 0) == 0 && write(fd, pid.constData(), size_t(pid.size())) == pid.size();
        m_fd = fd;
        return Result::Locked;
    }
    *error = QStringLiteral("the file kept changing while it was being locked");
    return Result::Failed;
}

} // namespace platform
