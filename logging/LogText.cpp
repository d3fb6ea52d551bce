#include "logging/LogText.h"

namespace logging {

namespace {

bool needsEscape(char32_t c)
{
    // C0 and C1 controls, DEL, the line and paragraph separators.
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029;
}

void appendEscaped(QString& out, char32_t c)
{
    switch (c) {
    case '\n': out += QLatin1String("\\n"); return;
    case '\r': out += QLatin1String("\\r"); return;
    case '\t': out += QLatin1String("\\t"); return;
    default:
        out += QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    }
}

} // namespace

QString logText(QStringView text, qsizetype limit)
{
    QString out;
    out.reserve(qMin(text.size(), limit) + 16);
    qsizetype i = 0;
    for (; i < text.size() && out.size() < limit; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (needsEscape(c.unicode()))
            appendEscaped(out, c.unicode());
        else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            out += text.mid(i++, 2);
        else
            out += c;
    }
    if (i < text.size())
        out += QStringLiteral("… (%1 more characters)").arg(text.size() - i);
    return out;
}

} // namespace logging
