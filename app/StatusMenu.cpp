#include "app/StatusMenu.h"

#include "core/RuleEngine.h"
#include "feedback/PauseToggle.h"
#include "feedback/MenuBarIndicatorController.h"
#include "localization/LocalizationManager.h"
#include "settings/ApplicationVersion.h"
#include "settings_ui/TextStyles.h"

#include <QKeyEvent>

namespace {

// A single '&' in a menu text marks a mnemonic; the texts are shown as they stand.
QString menuText(const QString& text)
{
    return QString(text).replace(u'&', QStringLiteral("&&"));
}

// At most one line, whatever the input source calls itself; a tab would also
// open the shortcut column.
QString oneLine(const QString& text)
{
    QString line = text;
    line.replace(QChar::LineSeparator, u' ').replace(QChar::ParagraphSeparator, u' ');
    return line.simplified();
}

} // namespace

StatusMenu::StatusMenu(RuleEngine& engine, MenuBarIndicatorController& indicator, PauseToggle& pauseToggle,
                       Actions actions, QWidget* parent)
    : QMenu(parent)
    , m_engine(engine)
    , m_indicator(indicator)
    , m_pauseToggle(pauseToggle)
    , m_actions(std::move(actions))
{
    m_header = addAction(QString());
    m_header->setEnabled(false);
    m_oneClick = addAction(QString());
    m_oneClick->setVisible(false);
    connect(m_oneClick, &QAction::triggered, this, [this] {
        if (m_proposal && m_actions.addRule)
            m_actions.addRule(*m_proposal);
    });
    m_headerSeparator = addSeparator();

    m_settings = addAction(QString());
    m_settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(m_settings, &QAction::triggered, this, [this] {
        if (m_actions.openSettings)
            m_actions.openSettings();
    });
    addSeparator();

    m_pause = addAction(QString());
    m_pause->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));
    connect(m_pause, &QAction::triggered, this, [this] {
        if (m_shortcutPressTime)
            m_pauseToggle.toggleForKeyPress(*m_shortcutPressTime, {pausedIcon, resumedIcon});
        else
            m_pauseToggle.toggle({pausedIcon, resumedIcon});
    });
    addSeparator();

    m_footer = addAction(QString());
    m_footer->setEnabled(false);
    m_footer->setFont(TextStyles::caption(*this));

    m_quit = addAction(QString());
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(m_quit, &QAction::triggered, this, [this] {
        if (m_actions.quit)
            m_actions.quit();
    });

    connect(&m_engine, &RuleEngine::isPausedChanged, this, &StatusMenu::renderTexts);
    // The icon is announced after the name: one header per update.
    connect(&m_indicator, &MenuBarIndicatorController::currentInputSourceIconChanged, this,
            &StatusMenu::renderHeader);
    connect(&m_indicator, &MenuBarIndicatorController::showFlagChanged, this, &StatusMenu::renderHeader);
    connect(&LocalizationManager::shared(), &LocalizationManager::languageDidChange, this, &StatusMenu::renderTexts);
    // The settings file may have been edited by hand since the last change notice.
    connect(this, &QMenu::aboutToShow, this, &StatusMenu::render);
    connect(this, &QMenu::aboutToShow, this, &StatusMenu::proposeRule);

    render();
}

void StatusMenu::render()
{
    renderHeader();
    renderTexts();
}

void StatusMenu::renderHeader()
{
    const bool shown = m_indicator.showFlag();
    m_header->setVisible(shown);
    m_headerSeparator->setVisible(shown || m_oneClick->isVisible());
    m_header->setText(menuText(oneLine(m_indicator.currentInputSourceIcon() + u' '
                                       + m_indicator.currentInputSourceName())));
}

void StatusMenu::proposeRule()
{
    m_proposal = m_actions.proposeRule && m_actions.addRule ? m_actions.proposeRule() : std::nullopt;
    m_oneClick->setVisible(m_proposal.has_value());
    renderHeader();
    renderTexts();
}

void StatusMenu::renderTexts()
{
    if (m_proposal)
        m_oneClick->setText(menuText(oneLine(m_proposal->text())));
    m_settings->setText(menuText(localized(QStringLiteral("Settings..."))));
    m_pause->setText(menuText(localized(m_engine.isPaused() ? QStringLiteral("Resume Switching")
                                                            : QStringLiteral("Pause Switching"))));
    m_footer->setText(menuText(QStringLiteral("v") + applicationShortVersion()));
    m_quit->setText(menuText(localized(QStringLiteral("Quit"))));
}

void StatusMenu::keyPressEvent(QKeyEvent* event)
{
    const QKeySequence pressed(event->keyCombination().toCombined() & ~Qt::KeypadModifier);
    for (QAction* action : actions()) {
        if (!action->shortcut().isEmpty() && action->shortcut() == pressed && action->isVisible()
            && action->isEnabled()) {
            // Like a click: the menu closes, then the row acts.
            hide();
            m_shortcutPressTime = event->timestamp();
            action->trigger();
            m_shortcutPressTime.reset();
            return;
        }
    }
    QMenu::keyPressEvent(event);
}
