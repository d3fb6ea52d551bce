#pragma once

#include "app/StatusMenu.h"
#include "app/X11TraySlot.h"

#include <QObject>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

class MenuBarIndicatorController;
class RuleEngine;

// The tray item: the keyboard symbol (its paused variant while switching is
// paused), followed by the current input source's flag while
// "menuBarShowFlag" is on; the source's name as tool tip; the status menu on
// either click. The desktop's StatusNotifierItem host shows it where there is
// one, else the X11 system tray. Main thread only.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon(RuleEngine& engine, MenuBarIndicatorController& indicator, PauseToggle& pauseToggle,
             StatusMenu::Actions actions, QObject* parent = nullptr);
    ~TrayIcon() override;

    QSystemTrayIcon& item() { return m_item; }
    StatusMenu& menu() { return *m_menu; }

    // What the icon shows now.
    QString symbol() const { return m_symbol; }
    std::optional<QString> flag() const { return m_flag; }

    void show() { m_item.show(); }

signals:
    void iconChanged();

private:
    void renderIcon();
    void renderToolTip();

    RuleEngine& m_engine;
    MenuBarIndicatorController& m_indicator;
    std::unique_ptr<StatusMenu> m_menu;
    QSystemTrayIcon m_item;   // after the menu: it refers to it until destroyed
    X11TraySlot m_slot{m_item};
    QString m_symbol;
    std::optional<QString> m_flag;
};
