// Translation tables, read from the resource folder (which a packager or user
// may have edited).
#include "localization/StringsTable.h"

#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

namespace {

QString quoted(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'"', QStringLiteral("\\\""));
    return u'"' + text + u'"';
}

// The table written out in the plainest form the format has.
QByteArray written(const QHash<QString, QString>& table)
{
    QString text;
    for (auto entry = table.cbegin(); entry != table.cend(); ++entry)
        text += quoted(entry.key()) + QStringLiteral(" = ") + quoted(entry.value()) + QStringLiteral(";\n");
    return text.toUtf8();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    StringsTable::ParseError error;
    const auto table = StringsTable::parse(bytes, &error);
    if (!table) {
        // The error names a line the file has. Every line break is a '\n' or
        // '\r' byte, in UTF-8 and in UTF-16 alike.
        FUZZ_CHECK(!error.message.isEmpty());
        FUZZ_CHECK(error.line >= 1 && error.line <= bytes.count('\n') + bytes.count('\r') + 1);
        return 0;
    }
    // Whatever keys and values were read (quotes, backslashes, line breaks,
    // NULs, any character) survive being written and read again.
    const auto reread = StringsTable::parse(written(*table), &error);
    FUZZ_CHECK(reread && *reread == *table);
    return 0;
}
