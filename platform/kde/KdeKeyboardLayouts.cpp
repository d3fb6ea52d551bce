#include "platform/kde/KdeKeyboardLayouts.h"

#include "platform/PlatformLog.h"
#include "platform/linux/DBusServiceCall.h"
#include "platform/linux/KeyboardLayoutRegistry.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.kde.keyboard");
const QString kPath = QStringLiteral("/Layouts");
const QString kInterface = QStringLiteral("org.kde.KeyboardLayouts");

} // namespace

KdeKeyboardLayouts::KdeKeyboardLayouts(const QDBusConnection& bus, QObject* parent)
    : KdeKeyboardLayouts(bus, KeyboardLayoutRegistry::shared(), parent)
{
}

KdeKeyboardLayouts::KdeKeyboardLayouts(const QDBusConnection& bus, KeyboardLayoutRegistry& registry, QObject* parent)
    : TextInputSources(parent)
    , m_bus(bus)
    , m_registry(registry)
{
    if (!m_bus.isConnected()) {
        logError(QStringLiteral("There is no session bus to reach KDE's keyboard layouts on"));
        return;
    }
    m_watcher = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { serviceOwnerChanged(newOwner); });
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("layoutChanged"), this, SLOT(layoutChanged()));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("layoutListChanged"), this, SLOT(layoutListChanged()));
    m_present = m_bus.interface() && m_bus.interface()->isServiceRegistered(kService).value();
}

void KdeKeyboardLayouts::serviceOwnerChanged(const QString& newOwner)
{
    m_sources.reset();
    m_present = !newOwner.isEmpty();
    if (m_present)
        m_failureReported = false;
    else
        reportFailure(QStringLiteral("KDE's keyboard layout service (org.kde.keyboard) left the session bus"));
    emit selectedInputSourceChanged();
}

void KdeKeyboardLayouts::layoutChanged()
{
    emit selectedInputSourceChanged();
}

void KdeKeyboardLayouts::layoutListChanged()
{
    m_sources.reset();
    emit selectedInputSourceChanged();
}

void KdeKeyboardLayouts::reportFailure(const QString& message)
{
    if (std::exchange(m_failureReported, true))
        return;
    logError(message);
}

std::optional<QDBusMessage> KdeKeyboardLayouts::call(const QString& method, const QVariantList& arguments,
                                                     const QString& signature)
{
    if (!m_present)
        return std::nullopt;
    QString failure;
    const auto reply = callService(m_bus, {kService, kPath, kInterface, method}, arguments, signature, &failure);
    if (!reply)
        reportFailure(QStringLiteral("KDE's keyboard layout service ") + failure);
    return reply;
}

std::optional<QList<PlatformInputSource>> KdeKeyboardLayouts::readList(const QDBusMessage& reply)
{
    QList<PlatformInputSource> sources;
    const QDBusArgument array = reply.arguments().value(0).value<QDBusArgument>();
    array.beginArray();
    while (!array.atEnd()) {
        QString layout, variant, description;
        array.beginStructure();
        array >> layout >> variant >> description;
        array.endStructure();
        const auto info = m_registry.find(layout, variant);
        PlatformInputSource source;
        source.isSelectCapable = true;
        source.id = KeyboardLayoutRegistry::inputSourceId(layout, variant, info ? info->language : QString());
        source.localizedName = !description.isEmpty() ? description : info ? info->description : layout;
        source.handle = int(sources.size());
        sources.append(source);
    }
    array.endArray();
    return sources;
}

std::optional<QList<PlatformInputSource>> KdeKeyboardLayouts::enabledInputSources()
{
    if (!m_sources) {
        if (const auto reply = call(QStringLiteral("getLayoutsList"), {}, QStringLiteral("a(sss)")))
            m_sources = readList(*reply);
    }
    return m_sources;
}

std::optional<PlatformInputSource> KdeKeyboardLayouts::currentKeyboardInputSource()
{
    const auto reply = call(QStringLiteral("getLayout"), {}, QStringLiteral("u"));
    const auto sources = reply ? enabledInputSources() : std::nullopt;
    if (!sources)
        return std::nullopt;
    const uint index = reply->arguments().value(0).toUInt();
    if (index >= uint(sources->size()))
        return std::nullopt;
    return sources->at(index);
}

int KdeKeyboardLayouts::selectInputSource(const PlatformInputSource& source)
{
    const auto sources = enabledInputSources();
    if (!sources)
        return kStatusFailed;
    if (source.handle < 0 || source.handle >= sources->size() || sources->at(source.handle).id != source.id)
        return kStatusNotFound;
    const auto reply = call(QStringLiteral("setLayout"), {uint(source.handle)}, QStringLiteral("b"));
    if (!reply)
        return kStatusFailed;
    return reply->arguments().value(0).toBool() ? kStatusOk : kStatusFailed;
}

} // namespace platform
