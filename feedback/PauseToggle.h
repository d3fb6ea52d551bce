#pragma once

#include <QString>

#include <functional>
#include <optional>

class RuleEngine;

// Shows a message on the floating indicator: text, icon.
using ShowMessage = std::function<void(const QString& text, const QString& icon)>;

// Pauses or resumes automatic switching, then announces the new state: the
// localized "Switching Paused" or "Switching Resumed" with the caller's icon.
// The menu's row and the global hotkey both toggle here.
//
// While Kelvaro's own menu is open, one press of the pause keys reaches the
// program twice: as Qt's key event in the menu and as the key monitor's
// event. Both carry the X server's time of the press, and the second copy,
// whichever it is, does nothing. Main thread only.
class PauseToggle {
public:
    struct Icons {
        QString paused;
        QString resumed;
    };

    // The program's toggle, assembled by the application (app/SharedServices.cpp).
    static PauseToggle& shared();

    PauseToggle(RuleEngine& engine, ShowMessage showMessage);

    void toggle(const Icons& icons);
    // The toggle of the key press made at pressTime (X server time).
    void toggleForKeyPress(quint64 pressTime, const Icons& icons);

private:
    RuleEngine& m_engine;
    ShowMessage m_showMessage;
    std::optional<quint64> m_lastPressTime;
};
