#pragma once

#include "app/StatusMenu.h"
#include "feedback/MenuBarIndicatorController.h"

#include "EngineOverFakes.h"

#include <QPair>

#include <memory>

// What the tray item is given in the program, built over in-memory input
// sources: a rule engine (no rules, nothing in front) and a menu-bar indicator
// whose current source is German. The menu's actions are recorded.
struct TrayServices : EngineOverFakes {
    std::unique_ptr<MenuBarIndicatorController> indicator;

    QList<QPair<QString, QString>> messages;   // text, icon
    int settingsOpened = 0;
    int quitRequests = 0;

    TrayServices()
    {
        inputSources.current = inputSources.entries->at(1);
        indicator = std::make_unique<MenuBarIndicatorController>(*inputSourceManager, UserDefaults::standard());
    }

    StatusMenu::Actions actions()
    {
        StatusMenu::Actions result;
        result.openSettings = [this] { ++settingsOpened; };
        result.quit = [this] { ++quitRequests; };
        result.showMessage = [this](const QString& text, const QString& icon) { messages.append({text, icon}); };
        return result;
    }
};
