#include "core/AppRule.h"

AppRule AppRule::create(const QString& appBundleID, const QString& appName, const QString& targetInputSourceID)
{
    return AppRule{QUuid::createUuid(), appBundleID, appName, targetInputSourceID, true};
}
