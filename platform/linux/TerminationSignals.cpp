#include "platform/TerminationSignals.h"

#include "platform/PlatformLog.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The handler's only work: the signal's number into a pipe the event loop reads.
int caughtPipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = write(caughtPipe[1], &byte, 1);
    errno = savedErrno;
}

// Installed once per process; the handlers stay until it ends.
bool installHandlers()
{
    if (pipe2(caughtPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        logError(QStringLiteral("Cannot catch termination signals: ") + QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls elsewhere carry on as if nothing happened.
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kSignals)
        sigaction(signalNumber, &action, nullptr);
    return true;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    static const bool installed = installHandlers();
    if (!installed)
        return;
    m_notifier = new QSocketNotifier(caughtPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readCaught);
}

void TerminationSignals::readCaught()
{
    unsigned char numbers[16];
    ssize_t count = 0;
    while ((count = read(caughtPipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit caught(QLatin1String("SIG") + QLatin1String(sigabbrev_np(numbers[i])));
    }
}

} // namespace platform
