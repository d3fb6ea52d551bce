#include "feedback/FlagEmoji.h"

#include "platform/InputSourceCountry.h"

#include <array>
#include <span>

namespace {

struct FlagRow {
    std::span<const char16_t* const> keywords;
    const char16_t* flag;
};

constexpr const char16_t* chinese[] = {u"chinese", u"pinyin", u"wubi", u"baidu", u"sougou"};
constexpr const char16_t* japanese[] = {u"japanese", u"hiragana", u"katakana"};
constexpr const char16_t* korean[] = {u"korean", u"hangul"};
constexpr const char16_t* german[] = {u"german"};
constexpr const char16_t* french[] = {u"french"};
constexpr const char16_t* spanish[] = {u"spanish"};
constexpr const char16_t* portuguese[] = {u"portuguese"};
constexpr const char16_t* russian[] = {u"russian"};
constexpr const char16_t* english[] = {u"abc", u"us", u"english"};

// Tried from the top; the first row with a keyword inside the identifier wins.
constexpr std::array<FlagRow, 9> flagRows{{
    {chinese, u"🇨🇳"},
    {japanese, u"🇯🇵"},
    {korean, u"🇰🇷"},
    {german, u"🇩🇪"},
    {french, u"🇫🇷"},
    {spanish, u"🇪🇸"},
    {portuguese, u"🇵🇹"},
    {russian, u"🇷🇺"},
    {english, u"🇺🇸"},
}};

// The pair of regional indicator symbols that fonts draw as the country's flag.
QString regionalIndicators(const QString& countryCode)
{
    QString flag;
    for (const QChar letter : countryCode) {
        const char32_t symbol = U'\U0001F1E6' + char32_t(letter.unicode() - u'A');
        flag += QString::fromUcs4(&symbol, 1);
    }
    return flag;
}

} // namespace

QString flagEmoji(const QString& inputSourceID)
{
    // Keyword search inside an XKB identifier finds words that are not there:
    // "xkb:ru::rus" holds "us" in its language code, "xkb:lt:us:lit" names a
    // variant. A layout's flag comes from its country only.
    if (platform::isKeyboardLayoutId(inputSourceID)) {
        const auto country = platform::countryOfInputSource(inputSourceID);
        return country ? regionalIndicators(*country) : QString::fromUtf16(kKeyboardEmoji);
    }

    const QString lowered = inputSourceID.toLower();
    for (const FlagRow& row : flagRows) {
        for (const char16_t* keyword : row.keywords) {
            if (lowered.contains(QStringView(keyword)))
                return QString::fromUtf16(row.flag);
        }
    }
    return QString::fromUtf16(kKeyboardEmoji);
}
