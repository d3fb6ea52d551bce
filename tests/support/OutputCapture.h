#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Sends one of this process's output streams (STDOUT_FILENO or STDERR_FILENO)
// into a temporary file while it lives.
class OutputCapture {
public:
    explicit OutputCapture(int descriptor)
        : m_descriptor(descriptor)
    {
        std::fflush(nullptr);
        m_file.open();
        m_saved = ::dup(m_descriptor);
        ::dup2(m_file.handle(), m_descriptor);
    }
    ~OutputCapture() { restore(); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Everything written so far; ends the capture.
    QByteArray text()
    {
        restore();
        QFile file(m_file.fileName());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(nullptr);
        ::dup2(m_saved, m_descriptor);
        ::close(m_saved);
        m_saved = -1;
    }

    int m_descriptor;
    QTemporaryFile m_file;
    int m_saved = -1;
};
