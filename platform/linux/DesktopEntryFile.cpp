#include "platform/linux/DesktopEntryFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::DesktopEntryFile {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::optional<QByteArray> read(const QString& path)
{
    // Opening a FIFO without O_NONBLOCK waits for a writer; the type is then
    // checked on what was opened, so a file swapped after a stat is caught too.
    const FileDescriptor file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > kMaxSize)
        return std::nullopt;
    // One byte more than allowed tells a file that grew past the limit since.
    QByteArray contents(qsizetype(status.st_size) + 1, Qt::Uninitialized);
    qsizetype length = 0;
    while (length < contents.size()) {
        const ssize_t got = ::read(file.get(), contents.data() + length, size_t(contents.size() - length));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        length += got;
        if (length > kMaxSize)
            return std::nullopt;
    }
    contents.truncate(length);
    return contents;
}

} // namespace platform::DesktopEntryFile
