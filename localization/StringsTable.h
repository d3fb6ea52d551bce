#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

// A strings table ("Localizable.strings"): entries `"key" = "value";` with
// C and C++ comments, backslash escapes (\" \\ \n \t \r \0, \U and \u with
// four hex digits, octal), unquoted keys of letters, digits and _$+-./:, and
// the short form `"key";` meaning the key maps to itself. The file may be
// UTF-8 (with or without BOM) or UTF-16 with a BOM.
namespace StringsTable {

struct ParseError {
    int line = 0;          // 1-based
    QString message;

    QString toString() const;
};

// The table, or nothing with *error set; a damaged table gives nothing at all,
// never part of one.
std::optional<QHash<QString, QString>> parse(const QByteArray& data, ParseError* error = nullptr);

} // namespace StringsTable
