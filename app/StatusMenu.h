#pragma once

#include <QMenu>

#include <functional>
#include <optional>

class MenuBarIndicatorController;
class PauseToggle;
class RuleEngine;

// The tray item's menu, top to bottom: the current input source's flag and
// name with a separator (only while "menuBarShowFlag" is on), "Settings...",
// pause or resume, the version, "Quit". Every row follows the pause state,
// the current input source, the setting and the interface language as they
// change. Main thread only.
class StatusMenu : public QMenu {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> openSettings;
        std::function<void()> quit;
    };

    static inline const QString pausedIcon = QStringLiteral("\u23F8\uFE0F");
    static inline const QString resumedIcon = QStringLiteral("\u25B6\uFE0F");

    StatusMenu(RuleEngine& engine, MenuBarIndicatorController& indicator, PauseToggle& pauseToggle, Actions actions,
               QWidget* parent = nullptr);

    QAction* headerAction() const { return m_header; }
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

    RuleEngine& m_engine;
    MenuBarIndicatorController& m_indicator;
    PauseToggle& m_pauseToggle;
    Actions m_actions;
    std::optional<quint64> m_shortcutPressTime;   // while a row acts on its keyboard equivalent
    QAction* m_header = nullptr;
    QAction* m_headerSeparator = nullptr;
    QAction* m_settings = nullptr;
    QAction* m_pause = nullptr;
    QAction* m_footer = nullptr;
    QAction* m_quit = nullptr;
};
