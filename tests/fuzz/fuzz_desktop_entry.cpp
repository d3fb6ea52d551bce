// Desktop entries: any installed package or the user may have written them,
// and the index reads every one in the XDG data folders, as GIO loads it.
#include "platform/linux/DesktopEntryRecord.h"

#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

namespace {

// GLib is not instrumented, so the fuzzer cannot see how far GIO got into a
// file; most mutated files would fail GIO's checks. Half the inputs are the
// keys of an entry that passes them, the other half whole files.
QByteArray entryText(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 1)
        return "[Desktop Entry]\nType=Application\nExec=true\n" + bytes;
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray text = entryText(data, size);
    const auto record = platform::DesktopEntryRecord::fromContents(text, QStringLiteral("org.example.App.desktop"));
    if (record)
        FUZZ_CHECK(record->entry.id == QLatin1String("org.example.App"));
    return 0;
}
