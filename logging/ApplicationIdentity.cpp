#include "logging/ApplicationIdentity.h"

#include <QCoreApplication>

#include <atomic>

namespace ApplicationIdentity {

namespace {

std::atomic<bool> g_established{false};

} // namespace

void establish()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvaro"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));
    g_established.store(true);
}

QString bundleIdentifier()
{
    return g_established.load() ? QString::fromLatin1(kDesktopEntryId) : QStringLiteral("com.kelvaro");
}

} // namespace ApplicationIdentity
