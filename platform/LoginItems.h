#pragma once

#include <QString>

#include <optional>

namespace platform {

// Why a change of the login registration failed: a description for the
// user, and the full form for the log (what was done, where, the system's code).
struct LoginItemError {
    QString description;
    QString fullText;
};

// The registration of this application to start when the user logs in.
class LoginItems {
public:
    virtual ~LoginItems() = default;

    // Whether the application is registered to start at login.
    virtual bool isRegistered() const = 0;
    // Each returns no error on success.
    virtual std::optional<LoginItemError> registerApplication() = 0;
    virtual std::optional<LoginItemError> unregisterApplication() = 0;
};

} // namespace platform
