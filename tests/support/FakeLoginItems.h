#pragma once

#include "platform/LoginItems.h"

namespace platform {

class FakeLoginItems : public LoginItems {
public:
    bool registered = false;
    std::optional<LoginItemError> refusal;   // given by every change while set
    int changes = 0;

    bool isRegistered() const override { return registered; }
    std::optional<LoginItemError> registerApplication() override { return change(true); }
    std::optional<LoginItemError> unregisterApplication() override { return change(false); }

private:
    std::optional<LoginItemError> change(bool value)
    {
        ++changes;
        if (!refusal)
            registered = value;
        return refusal;
    }
};

} // namespace platform
