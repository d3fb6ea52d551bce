#include "core/AppRuleJson.h"

#include <nlohmann/json.hpp>

#include <charconv>

namespace AppRuleJson {

namespace {

using Json = nlohmann::json;

// The members are written by hand: in declaration order (Qt's JSON objects
// sort them), and several times faster than building a document first, which
// matters because the whole list is written on every change. Forward slashes
// are escaped, as the usual JSON writers of other platforms do.
void appendString(QByteArray& json, const QString& text)
{
    json += '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"': json += "\\\""; break;
        case '\\': json += "\\\\"; break;
        case '/': json += "\\/"; break;
        case '\b': json += "\\b"; break;
        case '\f': json += "\\f"; break;
        case '\n': json += "\\n"; break;
        case '\r': json += "\\r"; break;
        case '\t': json += "\\t"; break;
        default:
            if (const auto byte = static_cast<unsigned char>(c); byte < 0x20)
                json += "\\u00" + QByteArray::number(byte, 16).rightJustified(2, '0');
            else
                json += c;
        }
    }
    json += '"';
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isHighSurrogate(unsigned code) { return code >= 0xD800 && code <= 0xDBFF; }
bool isLowSurrogate(unsigned code) { return code >= 0xDC00 && code <= 0xDFFF; }

// The code unit of a "\uXXXX" escape at the position, if there is one.
std::optional<unsigned> escapedUnit(const QByteArray& json, qsizetype at)
{
    if (at + 6 > json.size() || json.at(at) != '\\' || json.at(at + 1) != 'u')
        return std::nullopt;
    unsigned unit = 0;
    const char* digits = json.constData() + at + 2;
    const auto [end, failure] = std::from_chars(digits, digits + 4, unit, 16);
    return failure == std::errc() && end == digits + 4 ? std::optional(unit) : std::nullopt;
}

// Fails with a message naming the element and the member.
struct DecodeFailure {
    QString message;
};

// Two levels hold the rules; the rest is room for members of newer writers.
// nlohmann-json parses any depth without recursion, but a file of nothing but
// brackets would cost it a node per byte (gigabytes, seconds): deeper input
// is refused in the pre-pass below, before anything is built.
constexpr int kMaximumDepth = 256;

// nlohmann-json stops at two things other writers produce and that need not
// cost the whole file: a number beyond the range of a double (which no member
// we read holds) and an unpaired surrogate escape in a string. The first
// becomes 0, the second U+FFFD, each padded to its old length so that error
// positions stay as they were. Input nested deeper than kMaximumDepth fails
// here. Anything else is left for the parser to judge.
QByteArray withReadableOddities(const QByteArray& json)
{
    QByteArray result = json;
    bool inString = false;
    int depth = 0;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const char c = result.at(i);
        if (inString) {
            if (c == '"') {
                inString = false;
            } else if (c == '\\') {
                const auto unit = escapedUnit(result, i);
                if (unit && (isHighSurrogate(*unit) || isLowSurrogate(*unit))) {
                    const auto next = escapedUnit(result, i + 6);
                    if (isHighSurrogate(*unit) && next && isLowSurrogate(*next)) {
                        i += 11;
                        continue;
                    }
                    result.replace(i, 6, "\\ufffd");
                }
                i += unit ? 5 : 1;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaximumDepth)
                throw DecodeFailure{QStringLiteral("the JSON is nested deeper than %1 levels").arg(kMaximumDepth)};
        } else if (c == ']' || c == '}') {
            --depth;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            double number = 0;
            const char* first = result.constData() + i;
            const auto [end, failure] = std::from_chars(first, result.constData() + result.size(), number);
            const qsizetype length = end - first;
            if (failure == std::errc::result_out_of_range)
                result.replace(i, length, QByteArray("0").leftJustified(length, ' '));
            i += qMax(length, qsizetype(1)) - 1;
        }
    }
    return result;
}

const Json& member(const Json& object, const char* name, Json::value_t type, size_t index)
{
    const auto found = object.find(name);
    if (found == object.end())
        throw DecodeFailure{QStringLiteral("rule %1 has no \"%2\"").arg(index).arg(QLatin1String(name))};
    if (found->type() != type)
        throw DecodeFailure{QStringLiteral("rule %1: \"%2\" has the wrong type").arg(index).arg(QLatin1String(name))};
    return *found;
}

QString stringMember(const Json& object, const char* name, size_t index)
{
    return fromUtf8(member(object, name, Json::value_t::string, index).get_ref<const std::string&>());
}

AppRule decodeRule(const Json& object, size_t index)
{
    if (!object.is_object())
        throw DecodeFailure{QStringLiteral("rule %1 is not an object").arg(index)};
    AppRule rule;
    const QString id = stringMember(object, "id", index);
    const auto uuid = parseUuid(id);
    if (!uuid)
        throw DecodeFailure{QStringLiteral("rule %1: \"id\" is not a UUID").arg(index)};
    rule.id = *uuid;
    rule.appBundleID = stringMember(object, "appBundleID", index);
    rule.appName = stringMember(object, "appName", index);
    rule.targetInputSourceID = stringMember(object, "targetInputSourceID", index);
    rule.isEnabled = member(object, "isEnabled", Json::value_t::boolean, index).get<bool>();
    return rule;
}

} // namespace

QByteArray encode(const QList<AppRule>& rules)
{
    QByteArray json;
    json.reserve(rules.size() * 160 + 2);
    json += '[';
    for (const AppRule& rule : rules) {
        if (json.size() > 1)
            json += ',';
        json += R"({"id":")";
        json += rule.id.toByteArray(QUuid::WithoutBraces).toUpper();
        json += R"(","appBundleID":)";
        appendString(json, rule.appBundleID);
        json += R"(,"appName":)";
        appendString(json, rule.appName);
        json += R"(,"targetInputSourceID":)";
        appendString(json, rule.targetInputSourceID);
        json += R"(,"isEnabled":)";
        json += rule.isEnabled ? "true}" : "false}";
    }
    json += ']';
    return json;
}

std::optional<QList<AppRule>> decode(const QByteArray& json, QString* error)
{
    try {
        const QByteArray readable = withReadableOddities(json);
        const Json document = Json::parse(readable.constBegin(), readable.constEnd());
        if (!document.is_array())
            throw DecodeFailure{QStringLiteral("the top level is not an array")};
        QList<AppRule> rules;
        rules.reserve(qsizetype(document.size()));
        for (size_t index = 0; index < document.size(); ++index)
            rules.append(decodeRule(document[index], index));
        return rules;
    } catch (const DecodeFailure& failure) {
        if (error)
            *error = failure.message;
    } catch (const Json::exception& exception) {
        // What follows "[json.exception.parse_error.101] " is the readable part.
        const QString what = QString::fromUtf8(exception.what());
        const qsizetype prefixEnd = what.indexOf(QLatin1String("] "));
        if (error)
            *error = prefixEnd < 0 ? what : what.mid(prefixEnd + 2);
    }
    return std::nullopt;
}

std::optional<QUuid> parseUuid(const QString& text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPlace ? text[i] != QLatin1Char('-') : !isHexDigit(text[i]))
            return std::nullopt;
    }
    return QUuid::fromString(text);
}

} // namespace AppRuleJson
