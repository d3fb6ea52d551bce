// The shared instances whose parts come from several layers are assembled
// here, at the top: the engine announces switches through the feedback layer
// without knowing it, and the menu and the hotkey toggle the engine's pause.

#include "core/InputSourceManager.h"
#include "core/RememberedInputSources.h"
#include "core/RuleEngine.h"
#include "core/RulesStore.h"
#include "core/WindowWatcher.h"
#include "feedback/GlobalHotkeyManager.h"
#include "feedback/InputSourceIndicatorController.h"
#include "feedback/PauseToggle.h"
#include "feedback/SharedSwitchFeedback.h"
#include "platform/Platform.h"
#include "settings/UserDefaults.h"

RuleEngine& RuleEngine::shared()
{
    static RuleEngine* const engine = new RuleEngine({InputSourceManager::shared(), WindowWatcher::shared(),
                                                      SharedSwitchFeedback::instance(),
                                                      platform::sharedUserNotifications(), UserDefaults::standard(),
                                                      std::make_shared<RulesStore>(RulesStore::defaultPath()),
                                                      &RememberedInputSources::shared()});
    return *engine;
}

RememberedInputSources& RememberedInputSources::shared()
{
    static RememberedInputSources* const remembered = new RememberedInputSources(defaultPath());
    return *remembered;
}

PauseToggle& PauseToggle::shared()
{
    static PauseToggle* const toggle =
        new PauseToggle(RuleEngine::shared(), &InputSourceIndicatorController::showSharedMessage);
    return *toggle;
}

GlobalHotkeyManager& GlobalHotkeyManager::shared()
{
    static GlobalHotkeyManager* const manager = new GlobalHotkeyManager({
        platform::sharedKeyMonitor(),
        UserDefaults::standard(),
        PauseToggle::shared(),
        &GlobalHotkeyManager::kelvaroWindowHasFocus,
    });
    return *manager;
}
