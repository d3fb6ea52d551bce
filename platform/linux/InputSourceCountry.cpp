#include "platform/InputSourceCountry.h"

#include "platform/linux/KeyboardLayoutRegistry.h"

#include <QLocale>

namespace platform {

namespace {

std::optional<QString> countryCode(const QString& code)
{
    if (code.size() != 2)
        return std::nullopt;
    const QString upper = code.toUpper();
    for (const QChar letter : upper) {
        if (letter < u'A' || letter > u'Z')
            return std::nullopt;
    }
    return upper;
}

std::optional<QString> registryCountry(const QString& layout, const QString& variant)
{
    const KeyboardLayoutRegistry& registry = KeyboardLayoutRegistry::shared();
    for (const QString& candidate : {variant, QString()}) {
        if (const auto info = registry.find(layout, candidate); info && !info->country.isEmpty())
            return countryCode(info->country);
    }
    return std::nullopt;
}

} // namespace

bool isKeyboardLayoutId(const QString& inputSourceID)
{
    return KeyboardLayoutRegistry::parseInputSourceId(inputSourceID).has_value();
}

std::optional<QString> countryOfInputSource(const QString& inputSourceID)
{
    const auto name = KeyboardLayoutRegistry::parseInputSourceId(inputSourceID);
    if (!name)
        return std::nullopt;
    if (auto country = registryCountry(name->layout, name->variant))
        return country;
    // Layouts the registry does not know, or knows without a country, are
    // mostly named after their country ("fj" for Fiji).
    const auto code = countryCode(name->layout);
    if (code && QLocale::codeToTerritory(*code) != QLocale::AnyTerritory)
        return code;
    return std::nullopt;
}

} // namespace platform
