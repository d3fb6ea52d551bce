#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace platform {

// Desktop notifications. Main thread only.
class UserNotifications : public QObject {
    Q_OBJECT
public:
    struct Request {
        QString identifier;   // unique per request, so no request replaces another
        QString title;
        QString body;
        bool silent = true;
    };
    // Called once, on the main thread: nothing on success, else why it failed.
    using Completion = std::function<void(const std::optional<QString>& error)>;

    using QObject::QObject;

    // Hands the request to the desktop and returns at once.
    virtual void add(const Request& request, Completion completion) = 0;
};

} // namespace platform
