#pragma once

#include "core/SwitchFeedback.h"

// Announces switches through the shared floating indicator and the shared
// switch sound.
class SharedSwitchFeedback : public SwitchFeedback {
public:
    static SharedSwitchFeedback& instance();

    void showIndicator(const QString& name, const QString& inputSourceID) override;
    void playSwitchSound() override;
};
