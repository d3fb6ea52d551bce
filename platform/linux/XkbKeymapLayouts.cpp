#include "platform/linux/XkbKeymapLayouts.h"

#include <QRegularExpression>

namespace platform {

namespace {

// The characters layout and variant names use; anything else (separators,
// blanks, control characters) marks a value we must not trust.
bool isName(const QString& text)
{
    // Anchored at the very end: "$" would also accept a trailing newline.
    static const QRegularExpression name(QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9_.-]+")));
    return name.match(text).hasMatch();
}

// "de(nodeadkeys)" or "de"; a leading folder ("macintosh_vndr/us") is dropped.
std::optional<XkbKeymapLayouts::LayoutName> parseSymbolsComponent(const QString& component)
{
    static const QRegularExpression form(QRegularExpression::anchoredPattern(
        QStringLiteral("(?:[^/()]*/)?([A-Za-z0-9_.-]+)(?:\\(([A-Za-z0-9_.-]*)\\))?")));
    const QRegularExpressionMatch match = form.match(component);
    if (!match.hasMatch())
        return std::nullopt;
    return XkbKeymapLayouts::LayoutName{match.captured(1), match.captured(2)};
}

} // namespace

std::optional<QList<XkbKeymapLayouts::LayoutName>> XkbKeymapLayouts::fromRulesNames(const QStringList& fields)
{
    if (fields.size() < 3)
        return std::nullopt;
    const QStringList layouts = fields[2].split(QLatin1Char(','));
    const QStringList variants = fields.size() > 3 ? fields[3].split(QLatin1Char(',')) : QStringList();
    if (variants.size() > layouts.size())
        return std::nullopt;

    QList<LayoutName> result;
    result.reserve(layouts.size());
    for (qsizetype i = 0; i < layouts.size(); ++i) {
        const QString variant = variants.value(i);
        if (!isName(layouts[i]) || (!variant.isEmpty() && !isName(variant)))
            return std::nullopt;
        result.append(LayoutName{layouts[i], variant});
    }
    return result;
}

QList<std::optional<XkbKeymapLayouts::LayoutName>> XkbKeymapLayouts::fromSymbolsName(const QString& symbols,
                                                                                     int groupCount)
{
    QList<std::optional<LayoutName>> result(qMax(groupCount, 0));
    static const QRegularExpression separators(QStringLiteral("[+|]"));
    QStringList components = symbols.split(separators, Qt::SkipEmptyParts);
    // The first component is the base every keymap starts from ("pc", "olpc", ...).
    if (components.size() > 1)
        components.removeFirst();

    static const QRegularExpression groupSuffix(QRegularExpression::anchoredPattern(QStringLiteral("(.*):(\\d+)")));
    for (qsizetype i = 0; i < components.size(); ++i) {
        QString component = components[i];
        int group = 1;
        if (const QRegularExpressionMatch match = groupSuffix.match(component); match.hasMatch()) {
            component = match.captured(1);
            group = match.captured(2).toInt();
        } else if (i > 0) {
            continue;   // an option or model part ("inet(evdev)"), not a layout
        }
        if (group < 1 || group > result.size() || result[group - 1])
            continue;
        result[group - 1] = parseSymbolsComponent(component);
    }
    return result;
}

QList<std::optional<XkbKeymapLayouts::LayoutName>>
XkbKeymapLayouts::ofGroups(const QString& symbols, const std::optional<QStringList>& rulesNames, int groupCount)
{
    const QList<std::optional<LayoutName>> keymap = fromSymbolsName(symbols, groupCount);
    const auto rules = rulesNames ? fromRulesNames(*rulesNames) : std::nullopt;
    if (!rules || rules->size() != keymap.size())
        return keymap;
    for (qsizetype group = 0; group < keymap.size(); ++group) {
        const auto& told = keymap[group];
        if (told && (told->layout != rules->at(group).layout || told->variant != rules->at(group).variant))
            return keymap;
    }
    return QList<std::optional<LayoutName>>(rules->cbegin(), rules->cend());
}

} // namespace platform
