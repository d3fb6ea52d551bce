#pragma once

#include "platform/PlatformInputSource.h"

#include <QList>
#include <QObject>

#include <optional>

namespace platform {

// The desktop's keyboard input sources: what is enabled, what is current, and
// selecting one. Main thread only.
class TextInputSources : public QObject {
    Q_OBJECT
public:
    // Status codes of selectInputSource.
    static constexpr int kStatusOk = 0;
    static constexpr int kStatusNotFound = -1;   // the entry is no longer offered
    static constexpr int kStatusFailed = -2;     // the platform refused or is unreachable

    using QObject::QObject;

    // The enabled input sources in the platform's order, or nothing when the
    // platform cannot give a list at all.
    virtual std::optional<QList<PlatformInputSource>> enabledInputSources() = 0;

    // The input source keyboard input goes to now, or nothing.
    virtual std::optional<PlatformInputSource> currentKeyboardInputSource() = 0;

    // Selects an entry previously returned by enabledInputSources();
    // kStatusOk on success.
    virtual int selectInputSource(const PlatformInputSource& source) = 0;

signals:
    // The selected input source changed, whoever changed it (also sent when
    // the list of enabled sources changes).
    void selectedInputSourceChanged();

protected:
    // Sends selectedInputSourceChanged() once for a burst of changes (a new
    // keymap, an event from each keyboard), from the event loop.
    void notifyChangeAfterBurst()
    {
        if (m_changeNoticePending)
            return;
        m_changeNoticePending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_changeNoticePending = false;
                emit selectedInputSourceChanged();
            },
            Qt::QueuedConnection);
    }

private:
    bool m_changeNoticePending = false;
};

} // namespace platform
