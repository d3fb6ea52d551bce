#include "localization/StringsTable.h"

#include <QStringDecoder>

namespace StringsTable {

QString ParseError::toString() const
{
    return QStringLiteral("line %1: %2").arg(line).arg(message);
}

namespace {

// Counts line breaks the way the parser does: "\n", "\r\n" and a lone "\r".
int lineAt(const QString& text, qsizetype end)
{
    int line = 1;
    for (qsizetype i = 0; i < end && i < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

// Index of the first unpaired surrogate in text, or -1.
qsizetype firstUnpairedSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate()) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
                return i;
            ++i;
        } else if (text[i].isLowSurrogate()) {
            return i;
        }
    }
    return -1;
}

// Stateless: a sequence cut off at the end is an error, not state kept for
// more input.
std::optional<QString> strictUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> decodeUtf8(QByteArrayView bytes, ParseError* error)
{
    if (auto text = strictUtf8(bytes))
        return text;
    // Find the line of the bad sequence: a '\n' byte never occurs inside a
    // multi-byte sequence, so the bytes can be checked line by line.
    QString goodLines;
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const auto lineText = strictUtf8(bytes.sliced(start, end - start));
        if (!lineText)
            break;
        goodLines += *lineText + u'\n';
        start = end + 1;
    }
    *error = {lineAt(goodLines, goodLines.size()), QStringLiteral("invalid UTF-8 byte sequence")};
    return std::nullopt;
}

std::optional<QString> decodeUtf16(QByteArrayView bytes, bool bigEndian, ParseError* error)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = quint8(bytes[i]);
        const auto second = quint8(bytes[i + 1]);
        text.append(QChar(bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first)));
    }
    if (bytes.size() % 2 != 0) {
        *error = {lineAt(text, text.size()), QStringLiteral("UTF-16 text ends in the middle of a character")};
        return std::nullopt;
    }
    if (const qsizetype bad = firstUnpairedSurrogate(text); bad >= 0) {
        *error = {lineAt(text, bad), QStringLiteral("invalid UTF-16 text (unpaired surrogate)")};
        return std::nullopt;
    }
    return text;
}

std::optional<QString> decode(const QByteArray& data, ParseError* error)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return decodeUtf8(QByteArrayView(data).sliced(3), error);
    if (data.startsWith("\xFF\xFE"))
        return decodeUtf16(QByteArrayView(data).sliced(2), false, error);
    if (data.startsWith("\xFE\xFF"))
        return decodeUtf16(QByteArrayView(data).sliced(2), true, error);
    return decodeUtf8(data, error);
}

bool isUnquotedCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_'
        || u == u'$' || u == u'+' || u == u'-' || u == u'.' || u == u'/' || u == u':';
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QString describe(QChar c)
{
    if (c.isPrint() && !c.isSurrogate())
        return QStringLiteral("'%1'").arg(c);
    return QStringLiteral("U+%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0')).toUpper();
}

// A single pass over the text without recursion: the state is the position
// and the line number.
class Parser {
public:
    explicit Parser(const QString& text)
        : m_text(text)
    {
    }

    std::optional<QHash<QString, QString>> parse(ParseError* error)
    {
        QHash<QString, QString> table;
        while (true) {
            if (!skipSpaceAndComments())
                return failed(error);
            if (atEnd())
                break;
            if (!isStringStart(current())) {
                fail(m_line, QStringLiteral("unexpected character %1").arg(describe(current())));
                return failed(error);
            }
            const auto key = readString();
            if (!key)
                return failed(error);
            const int keyEndLine = m_line;
            if (!skipSpaceAndComments())
                return failed(error);
            if (!atEnd() && current() == u';') {
                advance();
                table.insert(*key, *key);
                continue;
            }
            if (atEnd() || current() != u'=') {
                expected(keyEndLine, QStringLiteral("'=' or ';' after the key"));
                return failed(error);
            }
            advance();
            if (!skipSpaceAndComments())
                return failed(error);
            if (atEnd() || !isStringStart(current())) {
                fail(m_line, atEnd() ? QStringLiteral("missing value after '='")
                                     : QStringLiteral("unexpected character %1 where a value was expected")
                                           .arg(describe(current())));
                return failed(error);
            }
            const auto value = readString();
            if (!value)
                return failed(error);
            const int valueEndLine = m_line;
            if (!skipSpaceAndComments())
                return failed(error);
            if (atEnd() || current() != u';') {
                expected(valueEndLine, QStringLiteral("';' after the value"));
                return failed(error);
            }
            advance();
            table.insert(*key, *value);
        }
        return table;
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar current() const { return m_text[m_pos]; }
    bool lookingAt(const char16_t* pair) const
    {
        return m_pos + 1 < m_text.size() && m_text[m_pos] == pair[0] && m_text[m_pos + 1] == pair[1];
    }
    static bool isStringStart(QChar c) { return c == u'"' || isUnquotedCharacter(c); }

    void advance()
    {
        const QChar c = m_text[m_pos++];
        if (c == u'\n' || (c == u'\r' && (atEnd() || current() != u'\n')))
            ++m_line;
    }

    bool fail(int line, const QString& message)
    {
        m_error = {line, message};
        return false;
    }

    std::nullopt_t failed(ParseError* error) const
    {
        if (error)
            *error = m_error;
        return std::nullopt;
    }

    // Something else than what was expected comes next: a stray character is
    // reported where it stands, the lack of anything at the end of the
    // previous token.
    void expected(int previousTokenLine, const QString& what)
    {
        if (atEnd() || isStringStart(current()))
            fail(previousTokenLine, QStringLiteral("missing %1").arg(what));
        else
            fail(m_line, QStringLiteral("unexpected character %1, expected %2").arg(describe(current()), what));
    }

    bool skipSpaceAndComments()
    {
        while (!atEnd()) {
            if (current().isSpace()) {
                advance();
            } else if (lookingAt(u"/*")) {
                const int startLine = m_line;
                advance();
                advance();
                while (!atEnd() && !lookingAt(u"*/"))
                    advance();
                if (atEnd())
                    return fail(startLine, QStringLiteral("unterminated comment"));
                advance();
                advance();
            } else if (lookingAt(u"//")) {
                while (!atEnd() && current() != u'\n' && current() != u'\r')
                    advance();
            } else {
                break;
            }
        }
        return true;
    }

    std::optional<QString> readString()
    {
        if (current() != u'"') {
            const qsizetype start = m_pos;
            while (!atEnd() && isUnquotedCharacter(current()))
                advance();
            return m_text.sliced(start, m_pos - start);
        }
        const int startLine = m_line;
        advance();
        QString result;
        while (true) {
            if (atEnd()) {
                fail(startLine, QStringLiteral("unterminated string"));
                return std::nullopt;
            }
            const QChar c = current();
            advance();
            if (c == u'"')
                break;
            if (c != u'\\') {
                result.append(c);
                continue;
            }
            if (atEnd()) {
                fail(startLine, QStringLiteral("unterminated string"));
                return std::nullopt;
            }
            if (!readEscape(result))
                return std::nullopt;
        }
        if (firstUnpairedSurrogate(result) >= 0) {
            fail(startLine, QStringLiteral("\\U escape gives an unpaired surrogate"));
            return std::nullopt;
        }
        return result;
    }

    // The character after a backslash, appended to result.
    bool readEscape(QString& result)
    {
        const QChar e = current();
        advance();
        switch (e.unicode()) {
        case u'n': result.append(u'\n'); return true;
        case u't': result.append(u'\t'); return true;
        case u'r': result.append(u'\r'); return true;
        case u'a': result.append(u'\a'); return true;
        case u'b': result.append(u'\b'); return true;
        case u'f': result.append(u'\f'); return true;
        case u'v': result.append(u'\v'); return true;
        case u'U':
        case u'u': {
            int value = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = atEnd() ? -1 : hexValue(current());
                if (digit < 0)
                    return fail(m_line, QStringLiteral("\\%1 escape needs four hexadecimal digits").arg(e));
                value = value * 16 + digit;
                advance();
            }
            result.append(QChar(char16_t(value)));
            return true;
        }
        default:
            break;
        }
        if (e >= u'0' && e <= u'7') {
            int value = e.unicode() - u'0';
            for (int i = 0; i < 2 && !atEnd() && current() >= u'0' && current() <= u'7'; ++i) {
                value = value * 8 + (current().unicode() - u'0');
                advance();
            }
            if (value > 0377)
                return fail(m_line, QStringLiteral("octal escape \\%1 is out of range").arg(value, 0, 8));
            result.append(QChar(char16_t(value)));
            return true;
        }
        // \" \\ \' and any other character stand for themselves.
        result.append(e);
        return true;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
    ParseError m_error;
};

} // namespace

std::optional<QHash<QString, QString>> parse(const QByteArray& data, ParseError* error)
{
    ParseError decodeError;
    const auto text = decode(data, &decodeError);
    if (!text) {
        if (error)
            *error = decodeError;
        return std::nullopt;
    }
    return Parser(*text).parse(error);
}

} // namespace StringsTable
