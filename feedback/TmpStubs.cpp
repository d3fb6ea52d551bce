// Temporary, never committed: lets tests link before the feedback services land.
#include "feedback/InputSourceIndicatorController.h"
#include "feedback/SoundEffectManager.h"
InputSourceIndicatorController& InputSourceIndicatorController::shared() { static InputSourceIndicatorController* p = nullptr; return *p; }
void InputSourceIndicatorController::show(const QString&, const QString&) {}
SoundEffectManager& SoundEffectManager::shared() { static SoundEffectManager* p = nullptr; return *p; }
void SoundEffectManager::playSwitchSound() {}
