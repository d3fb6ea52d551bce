#include "core/RulesDocument.h"

#include "core/AppRuleJson.h"
#include "platform/UserFile.h"

#include <QSaveFile>

#include <nlohmann/json.hpp>

namespace {

std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

} // namespace

QByteArray RulesDocument::encode() const
{
    // nlohmann's objects are ordered maps: the members come out sorted by
    // name, byte by byte.
    nlohmann::json array = nlohmann::json::array();
    for (const AppRule& rule : rules) {
        array.push_back({
            {"id", rule.id.toString(QUuid::WithoutBraces).toUpper().toStdString()},
            {"appBundleID", utf8(rule.appBundleID)},
            {"appName", utf8(rule.appName)},
            {"targetInputSourceID", utf8(rule.targetInputSourceID)},
            {"isEnabled", rule.isEnabled},
        });
    }
    const std::string json = array.dump(2);
    return QByteArray(json.data(), qsizetype(json.size()));
}

bool RulesDocument::write(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !platform::writeDurably(file, encode(), error) || !file.commit()) {
        if (file.error() != QFileDevice::NoError)
            *error = file.errorString();
        return false;
    }
    return true;
}

std::optional<RulesDocument> RulesDocument::read(const QString& path, QString* error)
{
    const auto content = platform::readRegularFile(path, kMaximumFileSize, error);
    if (!content)
        return std::nullopt;
    QString reason;
    auto rules = AppRuleJson::decode(*content, &reason);
    if (!rules) {
        *error = QStringLiteral("The data in \"%1\" isn't in the correct format: %2").arg(path, reason);
        return std::nullopt;
    }
    return RulesDocument{std::move(*rules)};
}
