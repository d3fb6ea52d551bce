#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Ends the test program, naming `what`, unless it goes within `timeout`: for
// steps that could block the main thread for good, which QtTest's own
// time-out only ends after minutes.
class Watchdog {
public:
    Watchdog(std::chrono::milliseconds timeout, QByteArray what)
        : m_thread([this, timeout, what = std::move(what)] {
            std::unique_lock lock(m_mutex);
            if (!m_ended.wait_for(lock, timeout, [this] { return m_done; }))
                qFatal("Still blocked after %lld ms: %s", qlonglong(timeout.count()), what.constData());
        })
    {
    }
    ~Watchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_ended.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    std::thread m_thread;
};
