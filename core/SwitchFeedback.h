#pragma once

#include <QString>

// What the rule engine announces a switch with: the floating panel and the
// click. Both only queue their work and decide from the user's settings
// whether anything is shown or heard.
class SwitchFeedback {
public:
    virtual ~SwitchFeedback() = default;
    virtual void showIndicator(const QString& name, const QString& inputSourceID) = 0;
    virtual void playSwitchSound() = 0;
};
