#pragma once

#include "platform/ShellExtension.h"

namespace platform {

class FakeShellExtension : public ShellExtension {
public:
    State current = State::NotNeeded;
    int enableCalls = 0;

    void setState(State state) { emit stateChanged(current = state); }
    State state() const override { return current; }
    bool enable() override { return ++enableCalls, true; }
};

} // namespace platform
