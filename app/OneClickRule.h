#pragma once

#include "core/AppRule.h"
#include "core/WindowWatcher.h"

#include <QString>

#include <optional>

class InputSourceManager;

// "Always Use <source> in <app>": the rule the tray menu offers for the
// application in front as it opens, with the input source in use then.
struct OneClickRule {
    AppRule rule;
    QString inputSourceName;

    // Nothing when no application with a bundle identifier is in front, when
    // Kelvaro itself is, or when no input source is current.
    static std::optional<OneClickRule> propose(const WindowWatcher::Application& front,
                                               const InputSourceManager& inputSources);

    // The menu row's text, in the interface language.
    QString text() const;
};
