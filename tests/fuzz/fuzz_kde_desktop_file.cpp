// A window's _KDE_NET_WM_DESKTOP_FILE, set by the window's own client.
#include "platform/linux/DesktopEntryId.h"
#include "platform/linux/XTextProperty.h"

#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte: the property's type, STRING or UTF8_STRING.
    const bool latin1 = data[0] & 1;
    const QByteArray value(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QStringList pieces = platform::XTextProperty::pieces(value, latin1);
    FUZZ_CHECK(pieces.size() == value.count('\0') + (value.endsWith('\0') ? 0 : 1));

    // An ID, never a path or blank.
    if (const auto id = platform::DesktopEntryId::fromFileProperty(pieces.value(0))) {
        FUZZ_CHECK(!id->isEmpty() && !id->contains(u'/') && *id == id->trimmed());
    }
    return 0;
}
