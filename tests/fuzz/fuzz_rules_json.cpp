// The rules file, read at every start from whatever is on disk.
#include "core/AppRuleJson.h"

#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const auto rules = AppRuleJson::decode(json, &error);
    if (!rules) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    // Rules that were read are written back as the same rules.
    const auto written = AppRuleJson::decode(AppRuleJson::encode(*rules), &error);
    FUZZ_CHECK(written && *written == *rules);
    return 0;
}
