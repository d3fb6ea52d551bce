#include "logging/JournalLogBackend.h"

#include <systemd/sd-journal.h>

#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>

namespace logging {

namespace {

constexpr int kPriorityError = 3;
constexpr int kPriorityInfo = 6;

} // namespace

JournalLogBackend::JournalLogBackend(const char* journalSocket)
    : m_journalSocket(journalSocket)
    , m_echoToStandardError(!standardErrorIsJournalStream())
{
}

bool JournalLogBackend::standardErrorIsJournalStream()
{
    // systemd sets JOURNAL_STREAM for a unit whose output goes to the journal;
    // children inherit it with other output, so fd 2 must be that very stream.
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    const qsizetype colon = stream.indexOf(':');
    bool deviceOk = false;
    bool inodeOk = false;
    const qulonglong device = stream.left(colon).toULongLong(&deviceOk);
    const qulonglong inode = stream.mid(colon + 1).toULongLong(&inodeOk);
    struct stat status{};
    return colon > 0 && deviceOk && inodeOk && ::fstat(STDERR_FILENO, &status) == 0
        && qulonglong(status.st_dev) == device && qulonglong(status.st_ino) == inode;
}

void JournalLogBackend::write(LogLevel level, const QString& subsystem, const QString& category,
                              const QString& message)
{
    // sd_journal_sendv() reports success when the socket is missing (no
    // journal on the machine), so reachability is checked here first.
    if (::access(m_journalSocket, W_OK) != 0) {
        writeToStandardError(message);
        return;
    }
    const int priority = level == LogLevel::Error ? kPriorityError : kPriorityInfo;
    const std::array<QByteArray, 5> fields = {
        "MESSAGE=" + message.toUtf8(),
        "PRIORITY=" + QByteArray::number(priority),
        QByteArrayLiteral("SYSLOG_IDENTIFIER=kelvaro"),
        "SUBSYSTEM=" + subsystem.toUtf8(),
        "CATEGORY=" + category.toUtf8(),
    };
    std::array<iovec, fields.size()> vectors{};
    for (size_t i = 0; i < fields.size(); ++i)
        vectors[i] = {const_cast<char*>(fields[i].constData()), static_cast<size_t>(fields[i].size())};
    if (sd_journal_sendv(vectors.data(), static_cast<int>(vectors.size())) < 0 || m_echoToStandardError)
        writeToStandardError(message);
}

void JournalLogBackend::writeToStandardError(const QString& message)
{
    // One write() per line, so lines from several threads never interleave.
    const QByteArray line = message.toUtf8() + '\n';
    qsizetype written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(STDERR_FILENO, line.constData() + written, size_t(line.size() - written));
        if (n <= 0)
            return;
        written += n;
    }
}

} // namespace logging
