#include "logging/JournalLogBackend.h"

#include <systemd/sd-journal.h>

#include <sys/uio.h>
#include <unistd.h>

#include <array>

namespace logging {

namespace {

constexpr int kPriorityError = 3;
constexpr int kPriorityInfo = 6;

// sd_journal_sendv() reports success when this socket is missing (no journal
// on the machine), so reachability is checked here first.
constexpr const char* kJournalSocket = "/run/systemd/journal/socket";

} // namespace

void JournalLogBackend::write(LogLevel level, const QString& subsystem, const QString& category,
                              const QString& message)
{
    if (::access(kJournalSocket, W_OK) != 0) {
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
    if (sd_journal_sendv(vectors.data(), static_cast<int>(vectors.size())) < 0)
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
