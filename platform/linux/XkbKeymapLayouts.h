#pragma once

#include "platform/linux/KeyboardLayoutRegistry.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// Works out which layout each group of an XKB keymap holds, from the names the
// keymap was built from.
class XkbKeymapLayouts {
public:
    using LayoutName = KeyboardLayoutRegistry::LayoutName;

    // From the fields of the root property _XKB_RULES_NAMES (rules, model,
    // layouts "us,de", variants ",nodeadkeys", options): one entry per layout,
    // or nothing when the value is malformed.
    static std::optional<QList<LayoutName>> fromRulesNames(const QStringList& fields);

    // From the keymap's symbols name, "pc+us+de(nodeadkeys):2+ru:3+inet(evdev)":
    // groupCount entries, empty where the name does not tell.
    static QList<std::optional<LayoutName>> fromSymbolsName(const QString& symbols, int groupCount);
};

} // namespace platform
