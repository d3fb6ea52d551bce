#pragma once

#include "platform/LoginItems.h"

namespace platform {

// Registered in memory; while refusal is set, every change is refused with it.
class FakeLoginItems : public LoginItems {
public:
    bool registered = false;
    std::optional<LoginItemError> refusal;
    int changes = 0;

    bool isRegistered() const override { return registered; }
    std::optional<LoginItemError> registerApplication() override { return change(true); }
    std::optional<LoginItemError> unregisterApplication() override { return change(false); }
    std::optional<LoginItemError> change(bool value)
    {
        ++changes;
        registered = refusal ? registered : value;
        return refusal;
    }
};

} // namespace platform
