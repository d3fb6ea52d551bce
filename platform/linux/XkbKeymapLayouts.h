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

    // The layout of each of groupCount groups. The keymap's symbols name is
    // what the server uses; _XKB_RULES_NAMES is only a note left by whoever
    // loaded the keymap (xkbcomp leaves it stale), so it counts only where it
    // agrees with every group the symbols name tells.
    static QList<std::optional<LayoutName>> ofGroups(const QString& symbols,
                                                     const std::optional<QStringList>& rulesNames, int groupCount);
};

} // namespace platform
