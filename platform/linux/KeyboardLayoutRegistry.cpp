#include "platform/linux/KeyboardLayoutRegistry.h"

#include "platform/PlatformLog.h"

#include <xkbcommon/xkbregistry.h>

namespace platform {

namespace {

QString text(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}

KeyboardLayoutInfo readLayout(rxkb_layout* layout)
{
    KeyboardLayoutInfo info;
    info.description = text(rxkb_layout_get_description(layout));
    if (rxkb_iso639_code* language = rxkb_layout_get_iso639_first(layout))
        info.language = text(rxkb_iso639_code_get_code(language));
    if (rxkb_iso3166_code* country = rxkb_layout_get_iso3166_first(layout))
        info.country = text(rxkb_iso3166_code_get_code(country));
    return info;
}

} // namespace

KeyboardLayoutRegistry& KeyboardLayoutRegistry::shared()
{
    static KeyboardLayoutRegistry registry;
    return registry;
}

KeyboardLayoutRegistry::KeyboardLayoutRegistry()
{
    // The exotic rules hold layouts people do enable (APL, IPA, many variants);
    // without them those would show no name.
    m_context = rxkb_context_new(RXKB_CONTEXT_LOAD_EXOTIC_RULES);
    if (!m_context || !rxkb_context_parse_default_ruleset(m_context)) {
        logError(QStringLiteral("Cannot read the keyboard layout registry"));
        if (m_context)
            rxkb_context_unref(m_context);
        m_context = nullptr;
        return;
    }

    QList<std::pair<QString, QString>> variants;
    for (rxkb_layout* layout = rxkb_layout_first(m_context); layout; layout = rxkb_layout_next(layout)) {
        const QString name = text(rxkb_layout_get_name(layout));
        const QString variant = text(rxkb_layout_get_variant(layout));
        if (name.isEmpty())
            continue;
        // The extras list repeats some layouts of the main list; the main entry wins.
        const QString entryKey = key(name, variant);
        if (m_layouts.contains(entryKey))
            continue;
        const KeyboardLayoutInfo info = readLayout(layout);
        m_layouts.insert(entryKey, info);
        if (!info.description.isEmpty() && !m_descriptions.contains(info.description))
            m_descriptions.insert(info.description, LayoutName{name, variant});
        if (!variant.isEmpty())
            variants.append({name, variant});
    }

    // The registry usually copies a layout's codes into variants that name
    // none; make sure of it, whatever the data files' version.
    for (const auto& [name, variant] : variants) {
        const auto base = m_layouts.constFind(key(name, QString()));
        if (base == m_layouts.cend())
            continue;
        KeyboardLayoutInfo& info = m_layouts[key(name, variant)];
        if (info.language.isEmpty())
            info.language = base->language;
        if (info.country.isEmpty())
            info.country = base->country;
    }
}

KeyboardLayoutRegistry::~KeyboardLayoutRegistry()
{
    if (m_context)
        rxkb_context_unref(m_context);
}

std::optional<KeyboardLayoutInfo> KeyboardLayoutRegistry::find(const QString& layout, const QString& variant) const
{
    const auto found = m_layouts.constFind(key(layout, variant));
    if (found == m_layouts.cend())
        return std::nullopt;
    return *found;
}

std::optional<KeyboardLayoutRegistry::LayoutName> KeyboardLayoutRegistry::findByDescription(
    const QString& description) const
{
    const auto found = m_descriptions.constFind(description);
    if (found == m_descriptions.cend())
        return std::nullopt;
    return *found;
}

QString KeyboardLayoutRegistry::inputSourceId(const QString& layout, const QString& variant, const QString& language)
{
    return QStringLiteral("xkb:%1:%2:%3").arg(layout, variant, language);
}

QString KeyboardLayoutRegistry::inputSourceId(const QString& layout, const QString& variant) const
{
    const auto info = find(layout, variant);
    return inputSourceId(layout, variant, info ? info->language : QString());
}

std::optional<KeyboardLayoutRegistry::LayoutName> KeyboardLayoutRegistry::parseInputSourceId(const QString& id)
{
    // fcitx5 names its layouts "keyboard-<layout>" or "keyboard-<layout>-<variant>".
    static const QString fcitxPrefix = QStringLiteral("keyboard-");
    if (id.startsWith(fcitxPrefix)) {
        const QString name = id.mid(fcitxPrefix.size());
        const qsizetype dash = name.indexOf(QLatin1Char('-'));
        const QString layout = name.left(dash);
        if (layout.isEmpty())
            return std::nullopt;
        return LayoutName{layout, dash < 0 ? QString() : name.mid(dash + 1)};
    }
    const QStringList parts = id.split(QLatin1Char(':'));
    if (parts.size() != 4 || parts[0] != QLatin1String("xkb") || parts[1].isEmpty())
        return std::nullopt;
    return LayoutName{parts[1], parts[2]};
}

// The length prefix keeps every (layout, variant) pair apart, whatever
// characters a caller's names hold.
QString KeyboardLayoutRegistry::key(const QString& layout, const QString& variant)
{
    return QString::number(layout.size()) + QLatin1Char(':') + layout + variant;
}

} // namespace platform
