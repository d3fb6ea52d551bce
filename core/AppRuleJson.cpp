#include "core/AppRuleJson.h"

#include <nlohmann/json.hpp>

namespace AppRuleJson {

namespace {

// Qt's JSON objects sort their members; the ordered form keeps declaration order.
using OrderedJson = nlohmann::ordered_json;
using Json = nlohmann::json;

std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
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

// Fails with a message naming the element and the member.
struct DecodeFailure {
    QString message;
};

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
    OrderedJson array = OrderedJson::array();
    for (const AppRule& rule : rules) {
        OrderedJson object;
        object["id"] = utf8(rule.id.toString(QUuid::WithoutBraces).toUpper());
        object["appBundleID"] = utf8(rule.appBundleID);
        object["appName"] = utf8(rule.appName);
        object["targetInputSourceID"] = utf8(rule.targetInputSourceID);
        object["isEnabled"] = rule.isEnabled;
        array.push_back(std::move(object));
    }
    QByteArray text = QByteArray::fromStdString(array.dump());
    // Forward slashes are written escaped, as the usual JSON writers of other
    // platforms do; outside strings JSON has no slash, so this touches strings only.
    return text.replace('/', "\\/");
}

std::optional<QList<AppRule>> decode(const QByteArray& json, QString* error)
{
    try {
        const Json document = Json::parse(json.constBegin(), json.constEnd());
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
        if (error)
            *error = QString::fromUtf8(exception.what());
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
