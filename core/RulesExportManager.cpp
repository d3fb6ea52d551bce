#include "core/RulesExportManager.h"

#include "core/RulesDocument.h"
#include "logging/LogText.h"
#include "logging/Logger.h"

#include <QUrl>

namespace {

// Room for a whole path and the reason that comes with it.
constexpr qsizetype kLogTextLimit = 1024;

} // namespace

RulesExportManager& RulesExportManager::shared()
{
    static RulesExportManager* const manager = new RulesExportManager;
    return *manager;
}

bool RulesExportManager::exportRules(const QList<AppRule>& rules, const QString& path)
{
    QString error;
    if (!RulesDocument{rules}.write(path, &error)) {
        Logger::shared().error(QStringLiteral("Export failed: ") + logging::logText(error, kLogTextLimit));
        return false;
    }
    Logger::shared().info(QStringLiteral("Exported rules to ")
                          + logging::logText(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded), kLogTextLimit));
    return true;
}

std::optional<QList<AppRule>> RulesExportManager::importRules(const QString& path, QString* error)
{
    auto document = RulesDocument::read(path, error);
    if (!document) {
        Logger::shared().error(QStringLiteral("Failed to import rules: ") + logging::logText(*error, kLogTextLimit));
        return std::nullopt;
    }
    return std::move(document->rules);
}
