#include "feedback/SharedSwitchFeedback.h"

#include "feedback/InputSourceIndicatorController.h"
#include "feedback/SoundEffectManager.h"

SharedSwitchFeedback& SharedSwitchFeedback::instance()
{
    static SharedSwitchFeedback feedback;
    return feedback;
}

void SharedSwitchFeedback::showIndicator(const QString& name, const QString& inputSourceID)
{
    InputSourceIndicatorController::shared().show(name, inputSourceID);
}

void SharedSwitchFeedback::playSwitchSound()
{
    SoundEffectManager::shared().playSwitchSound();
}
