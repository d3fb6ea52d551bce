#include "feedback/PauseToggle.h"

#include "core/RuleEngine.h"
#include "localization/LocalizationManager.h"

void togglePause(RuleEngine& engine, const ShowMessage& showMessage, const QString& pausedIcon,
                 const QString& resumedIcon)
{
    engine.setPaused(!engine.isPaused());
    if (engine.isPaused())
        showMessage(localized(QStringLiteral("Switching Paused")), pausedIcon);
    else
        showMessage(localized(QStringLiteral("Switching Resumed")), resumedIcon);
}
