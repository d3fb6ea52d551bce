#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <thread>

// A stand-in X server that speaks just enough of the protocol to accept a
// client, answer extension queries and refuse everything else. It plays a
// server whose XKEYBOARD extension is missing or unusable, which no real
// server can be made into. Serves one client at a time on a thread of its own.
class MinimalXServer {
public:
    enum class Xkeyboard {
        Absent,    // QueryExtension says the extension is not there
        Refused,   // it is there, but UseExtension answers "not supported"
    };

    explicit MinimalXServer(Xkeyboard xkeyboard);
    ~MinimalXServer();
    MinimalXServer(const MinimalXServer&) = delete;
    MinimalXServer& operator=(const MinimalXServer&) = delete;

    bool isListening() const { return m_listener >= 0; }
    QString displayName() const { return QStringLiteral(":%1").arg(m_display); }

private:
    bool claimDisplay();
    void serve();
    void serveClient(int client);
    bool readExactly(int fd, void* buffer, std::size_t size);

    Xkeyboard m_xkeyboard;
    int m_listener = -1;
    int m_display = -1;
    QString m_lockPath;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
