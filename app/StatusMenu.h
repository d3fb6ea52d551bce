#pragma once

#include "app/OneClickRule.h"

#include <QMenu>

#include <functional>
#include <optional>

class MenuBarIndicatorController;
class PauseToggle;
class RuleEngine;

// The tray item's menu, top to bottom: the current input source's flag and
// name (only while "menuBarShowFlag" is on), "Always Use <source> in <app>"
// for the application in front as the menu opens (when there is a rule to
// offer), a separator under either, "Settings...",
// pause or resume, the version, "Quit". Every row follows the pause state,
// the current input source, the setting and the interface language as they
// change. Main thread only.
class StatusMenu : public QMenu {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> openSettings;
        std::function<void()> quit;
        // What "Always Use <source> in <app>" offers as the menu opens, and
        // adding it; without both the row stays hidden.
        std::function<std::optional<OneClickRule>()> proposeRule;
        std::function<void(const OneClickRule&)> addRule;
    };

    static inline const QString pausedIcon = QStringLiteral("\u23F8\uFE0F");
    static inline const QString resumedIcon = QStringLiteral("\u25B6\uFE0F");

    StatusMenu(RuleEngine& engine, MenuBarIndicatorController& indicator, PauseToggle& pauseToggle, Actions actions,
               QWidget* parent = nullptr);

    QAction* headerAction() const { return m_header; }
    QAction* oneClickRuleAction() const { return m_oneClick; }
    QAction* settingsAction() const { return m_settings; }
    QAction* pauseAction() const { return m_pause; }
    QAction* footerAction() const { return m_footer; }
    QAction* quitAction() const { return m_quit; }

    // Brings every row up to date.
    void render();

protected:
    // The rows' keyboard equivalents work while the menu is open, as choosing the row would.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void renderHeader();
    void renderTexts();
    void proposeRule();

    RuleEngine& m_engine;
    MenuBarIndicatorController& m_indicator;
    PauseToggle& m_pauseToggle;
    Actions m_actions;
    std::optional<quint64> m_shortcutPressTime;   // while a row acts on its keyboard equivalent
    QAction* m_header = nullptr;
    QAction* m_oneClick = nullptr;
    std::optional<OneClickRule> m_proposal;   // while the menu is open
    QAction* m_headerSeparator = nullptr;
    QAction* m_settings = nullptr;
    QAction* m_pause = nullptr;
    QAction* m_footer = nullptr;
    QAction* m_quit = nullptr;
};
