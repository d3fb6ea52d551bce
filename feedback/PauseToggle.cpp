#include "feedback/PauseToggle.h"

#include "core/RuleEngine.h"
#include "localization/LocalizationManager.h"

PauseToggle::PauseToggle(RuleEngine& engine, ShowMessage showMessage)
    : m_engine(engine)
    , m_showMessage(std::move(showMessage))
{
}

void PauseToggle::toggle(const Icons& icons)
{
    m_engine.setPaused(!m_engine.isPaused());
    if (m_engine.isPaused())
        m_showMessage(localized(QStringLiteral("Switching Paused")), icons.paused);
    else
        m_showMessage(localized(QStringLiteral("Switching Resumed")), icons.resumed);
}

void PauseToggle::toggleForKeyPress(quint64 pressTime, const Icons& icons)
{
    if (m_lastPressTime == pressTime)
        return;
    m_lastPressTime = pressTime;
    toggle(icons);
}
