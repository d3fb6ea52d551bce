#pragma once

#include <QString>

namespace platform {

// A lock file held for the life of this object. The kernel keeps the lock on
// the open file (flock), so it ends with the process however the process ends:
// a file left behind by a process that is gone is free, whatever it holds or
// whoever owns it. Held: released and the file removed on destruction.
class ProcessLock {
public:
    enum class Result { Locked, HeldElsewhere, Failed };

    explicit ProcessLock(const QString& path);
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    // Takes the lock unless a live process holds it. A file left by someone
    // this user may not open (another user, no permissions, a symbolic link)
    // is replaced. Failed: *error says why.
    Result tryLock(QString* error);
    bool isLocked() const { return m_fd >= 0; }

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace platform
