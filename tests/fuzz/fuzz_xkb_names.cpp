// The names an XKB keymap was built from: the root property _XKB_RULES_NAMES,
// which any X client may set, and the keymap's symbols name, chosen by
// whichever client loaded the keymap.
#include "platform/linux/KeyboardLayoutRegistry.h"
#include "platform/linux/XTextProperty.h"
#include "platform/linux/XkbKeymapLayouts.h"

#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

using platform::KeyboardLayoutRegistry;
using platform::XkbKeymapLayouts;

namespace {

// A layout read from the X server names an input source whose ID reads back
// as that same layout: no separator can slip in through the names.
void checkNamesSource(const XkbKeymapLayouts::LayoutName& name)
{
    for (const QString& part : {name.layout, name.variant}) {
        for (const QChar c : part)
            FUZZ_CHECK(c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'-');
    }
    const QString id = KeyboardLayoutRegistry::inputSourceId(name.layout, name.variant, QStringLiteral("eng"));
    const auto parsed = KeyboardLayoutRegistry::parseInputSourceId(id);
    FUZZ_CHECK(parsed && parsed->layout == name.layout && parsed->variant == name.variant);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte: the keymap's group count (the server's word, so past
    // the four groups XKB has too) and the property's type, STRING or UTF8_STRING.
    const int groupCount = data[0] & 0x0f;
    const bool latin1 = data[0] & 0x80;
    const QByteArray value(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const QStringList fields = platform::XTextProperty::pieces(value, latin1);
    if (const auto layouts = XkbKeymapLayouts::fromRulesNames(fields)) {
        FUZZ_CHECK(layouts->size() == fields.value(2).count(u',') + 1);
        for (const auto& layout : *layouts)
            checkNamesSource(layout);
    }

    const auto groups = XkbKeymapLayouts::ofGroups(QString::fromUtf8(value), fields, groupCount);
    FUZZ_CHECK(groups.size() == groupCount);
    for (const auto& group : groups) {
        if (group)
            checkNamesSource(*group);
    }
    return 0;
}
