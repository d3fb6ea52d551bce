#include "platform/gnome/GnomeInputSources.h"

#include "platform/gnome/GnomeShellExtension.h"
#include "platform/linux/KeyboardLayoutRegistry.h"

#include <QDBusArgument>

namespace platform {

GnomeInputSources::GnomeInputSources(GnomeShellExtension& extension, QObject* parent)
    : GnomeInputSources(extension, KeyboardLayoutRegistry::shared(), parent)
{
}

GnomeInputSources::GnomeInputSources(GnomeShellExtension& extension, KeyboardLayoutRegistry& registry, QObject* parent)
    : TextInputSources(parent)
    , m_extension(extension)
    , m_registry(registry)
{
    const auto listChanged = [this] {
        m_sources.reset();
        emit selectedInputSourceChanged();
    };
    connect(&m_extension, &GnomeShellExtension::inputSourcesChanged, this, listChanged);
    connect(&m_extension, &ShellExtension::stateChanged, this, listChanged);
    connect(&m_extension, &GnomeShellExtension::currentInputSourceChanged, this,
            &TextInputSources::selectedInputSourceChanged);
}

std::optional<QList<PlatformInputSource>> GnomeInputSources::enabledInputSources()
{
    if (m_sources)
        return m_sources;
    const auto reply = m_extension.call(QStringLiteral("InputSources"), {}, QStringLiteral("a(usss)"));
    if (!reply)
        return std::nullopt;
    QList<PlatformInputSource> sources;
    const QDBusArgument array = reply->arguments().value(0).value<QDBusArgument>();
    array.beginArray();
    while (!array.atEnd()) {
        uint index = 0;
        QString type, id, name;
        array.beginStructure();
        array >> index >> type >> id >> name;
        array.endStructure();
        PlatformInputSource source;
        source.isSelectCapable = true;
        source.handle = int(index);
        source.localizedName = name.isEmpty() ? id : name;
        // "de+nodeadkeys" is layout de, variant nodeadkeys.
        source.id = type == QLatin1String("xkb") ? m_registry.inputSourceId(id.section(u'+', 0, 0), id.section(u'+', 1))
                                                 : id;
        sources.append(source);
    }
    array.endArray();
    m_sources = sources;
    return m_sources;
}

std::optional<PlatformInputSource> GnomeInputSources::currentKeyboardInputSource()
{
    const auto reply = m_extension.call(QStringLiteral("CurrentInputSource"), {}, QStringLiteral("i"));
    const auto sources = reply ? enabledInputSources() : std::nullopt;
    if (!sources)
        return std::nullopt;
    const int index = reply->arguments().value(0).toInt();
    for (const PlatformInputSource& source : *sources) {
        if (source.handle == index)
            return source;
    }
    return std::nullopt;
}

int GnomeInputSources::selectInputSource(const PlatformInputSource& source)
{
    const auto sources = enabledInputSources();
    if (!sources)
        return kStatusFailed;
    const bool listed = std::any_of(sources->cbegin(), sources->cend(), [&](const PlatformInputSource& entry) {
        return entry.handle == source.handle && entry.id == source.id;
    });
    if (!listed || source.handle < 0)
        return kStatusNotFound;
    const auto reply = m_extension.call(QStringLiteral("ActivateInputSource"), {uint(source.handle)}, QStringLiteral("b"));
    if (!reply)
        return kStatusFailed;
    return reply->arguments().value(0).toBool() ? kStatusOk : kStatusNotFound;
}

} // namespace platform
