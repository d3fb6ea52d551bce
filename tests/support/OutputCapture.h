#pragma once

#include <QByteArray>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Sends one of this process's output streams (STDOUT_FILENO or STDERR_FILENO)
// into a temporary file until text() is asked for, or the capture ends.
class OutputCapture {
public:
    explicit OutputCapture(int descriptor)
        : m_descriptor(descriptor)
    {
        std::fflush(nullptr);
        m_file.open();
        ::dup2(m_file.handle(), m_descriptor);
    }
    ~OutputCapture()
    {
        restore();
        ::close(m_saved);
    }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Everything written so far; ends the capture.
    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        std::fflush(nullptr);
        ::dup2(m_saved, m_descriptor);
    }

    int m_descriptor;
    int m_saved = ::dup(m_descriptor);
    QTemporaryFile m_file;
};
