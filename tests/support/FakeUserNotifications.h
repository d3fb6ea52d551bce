#pragma once

#include "platform/UserNotifications.h"

#include <QList>

namespace platform {

// Keeps every request; answers each with `error` (nothing: success) from the event loop.
class FakeUserNotifications : public UserNotifications {
    Q_OBJECT
public:
    using UserNotifications::UserNotifications;

    QList<Request> requests;
    std::optional<QString> error;

    void add(const Request& request, Completion completion) override
    {
        requests.append(request);
        QMetaObject::invokeMethod(
            this, [completion, answer = error] { completion(answer); }, Qt::QueuedConnection);
    }
};

} // namespace platform
