#pragma once

#include <QObject>
#include <Qt>

namespace platform {

// Physical keys by their Linux evdev code (linux/input-event-codes.h): a
// position on the keyboard, whatever the active layout makes it type.
namespace PhysicalKey {
constexpr quint32 P = 25;   // KEY_P, the key labelled P on a US keyboard
}

struct KeyPress {
    quint32 key = 0;                                   // evdev code
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;  // held as the key went down
    quint32 time = 0;                                  // the X server's time of the press
};

// Watches the key presses made in any application without taking them: the
// focused application still gets every key. Main thread only.
class KeyMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // True once watching, also when it already was. False, with the reason
    // in the log, when the desktop cannot report key presses.
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual bool isMonitoring() const = 0;

signals:
    // One per key press while watching; the repeats of a held key are not reported.
    void keyPressed(const platform::KeyPress& press);
};

} // namespace platform
