#pragma once

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

// Ends the test program, naming `what`, unless it goes within `seconds`: for
// steps that could block the main thread for good, which QtTest's own
// time-out only ends after minutes. One at a time.
class Watchdog {
public:
    Watchdog(unsigned seconds, const char* what)
    {
        s_what = what;
        std::signal(SIGALRM, [](int) {
            for (const char* part : {"Watchdog: still blocked: ", s_what, "\n"})
                [[maybe_unused]] const auto written = ::write(STDERR_FILENO, part, std::strlen(part));
            std::_Exit(EXIT_FAILURE);
        });
        ::alarm(seconds);
    }
    ~Watchdog() { ::alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static inline const char* s_what = nullptr;
};
