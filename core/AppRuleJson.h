#pragma once

#include "core/AppRule.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The JSON form of rule lists: an array of objects with exactly the members
// "id", "appBundleID", "appName", "targetInputSourceID" and "isEnabled".
namespace AppRuleJson {

// Compact, members in declaration order, the id as upper-case UUID, "/"
// written as "\/".
QByteArray encode(const QList<AppRule>& rules);

// Reads an array of rule objects. Member order does not matter and unknown
// members are ignored, but one missing or mistyped member, or an id that is
// not a 36-character UUID, fails the whole array, and so does nesting deeper
// than 256 levels: then the result is empty and *error (when given) says why.
std::optional<QList<AppRule>> decode(const QByteArray& json, QString* error = nullptr);

// The canonical 8-4-4-4-12 hexadecimal form, either case; nothing else.
std::optional<QUuid> parseUuid(const QString& text);

} // namespace AppRuleJson
