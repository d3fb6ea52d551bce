#pragma once

#include <QString>

#include <functional>

class RuleEngine;

// Inverts the engine's pause flag, then announces the new state: the
// localized "Switching Paused" with pausedIcon, or "Switching Resumed" with
// resumedIcon. The menu and the global hotkey differ only in their icons.
using ShowMessage = std::function<void(const QString& text, const QString& icon)>;
void togglePause(RuleEngine& engine, const ShowMessage& showMessage, const QString& pausedIcon,
                 const QString& resumedIcon);
