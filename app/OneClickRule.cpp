#include "app/OneClickRule.h"

#include "core/InputSourceManager.h"
#include "localization/LocalizationManager.h"
#include "logging/ApplicationIdentity.h"

#include <QCoreApplication>

std::optional<OneClickRule> OneClickRule::propose(const WindowWatcher::Application& front,
                                                  const InputSourceManager& inputSources)
{
    if (!front || !front->bundleIdentifier || front->bundleIdentifier->isEmpty())
        return std::nullopt;
    const QString& bundleID = *front->bundleIdentifier;
    const bool isKelvaro = front->processIdentifier() == QCoreApplication::applicationPid()
        || bundleID == QLatin1String(ApplicationIdentity::kDesktopFileName)
        || bundleID == QLatin1String(ApplicationIdentity::kDesktopEntryId);
    if (isKelvaro)
        return std::nullopt;
    const auto current = inputSources.getCurrentInputSource();
    if (!current)
        return std::nullopt;
    const QString appName = front->localizedName.value_or(bundleID);
    return OneClickRule{AppRule::create(bundleID, appName, current->id), current->name};
}

QString OneClickRule::text() const
{
    return localized(QStringLiteral("Always Use %1 in %2")).arg(inputSourceName, rule.appName);
}
