#include "settings_ui/Appcast.h"

#include "localization/LocalizationManager.h"

#include <QXmlStreamReader>

namespace {

const QString kSparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isWebAddress(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

// The significant digits at the start of part ("007b" gives "7").
QStringView leadingNumber(QStringView part)
{
    qsizetype end = 0;
    while (end < part.size() && part[end].isDigit() && part[end].unicode() < 128)
        ++end;
    QStringView number = part.first(end);
    while (!number.isEmpty() && number.front() == QLatin1Char('0'))
        number = number.sliced(1);
    return number;
}

void readEnclosure(const QXmlStreamAttributes& attributes, AppcastItem& item)
{
    item.fileURL = QUrl(attributes.value(QLatin1String("url")).toString());
    if (item.version.isEmpty())
        item.version = attributes.value(kSparkleNamespace, QLatin1String("version")).toString().trimmed();
    if (item.shortVersionString.isEmpty())
        item.shortVersionString
            = attributes.value(kSparkleNamespace, QLatin1String("shortVersionString")).toString().trimmed();
}

void readItem(QXmlStreamReader& reader, AppcastItem& item)
{
    while (reader.readNextStartElement()) {
        const QStringView name = reader.name();
        const bool sparkle = reader.namespaceUri() == kSparkleNamespace;
        const bool plain = reader.namespaceUri().isEmpty();
        if (plain && name == QLatin1String("enclosure")) {
            readEnclosure(reader.attributes(), item);
            reader.skipCurrentElement();
        } else if (plain && name == QLatin1String("title")) {
            item.title = reader.readElementText().trimmed();
        } else if (plain && name == QLatin1String("link")) {
            item.infoURL = QUrl(reader.readElementText().trimmed());
        } else if (sparkle && name == QLatin1String("version")) {
            item.version = reader.readElementText().trimmed();
        } else if (sparkle && name == QLatin1String("shortVersionString")) {
            item.shortVersionString = reader.readElementText().trimmed();
        } else if (sparkle && name == QLatin1String("releaseNotesLink")) {
            item.releaseNotesURL = QUrl(reader.readElementText().trimmed());
        } else {
            reader.skipCurrentElement();
        }
    }
}

} // namespace

QString AppcastItem::displayVersionString() const
{
    return shortVersionString.isEmpty() ? version : shortVersionString;
}

QUrl AppcastItem::downloadPageURL() const
{
    for (const QUrl& url : {infoURL, releaseNotesURL, fileURL}) {
        if (isWebAddress(url))
            return url;
    }
    return {};
}

std::optional<Appcast> Appcast::parse(const QByteArray& data, QString* error)
{
    QXmlStreamReader reader(data);
    Appcast appcast;
    bool isFeed = false;
    while (!reader.atEnd() && !reader.hasError()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            *error = localized(
                QStringLiteral("The update feed contains a document type declaration, which is not allowed."));
            return std::nullopt;
        case QXmlStreamReader::StartElement:
            if (!isFeed) {
                if (reader.name() != QLatin1String("rss") || !reader.namespaceUri().isEmpty()) {
                    *error = localized(QStringLiteral("The update feed is not an RSS feed."));
                    return std::nullopt;
                }
                isFeed = true;
            } else if (reader.name() == QLatin1String("item") && reader.namespaceUri().isEmpty()) {
                AppcastItem item;
                readItem(reader, item);
                if (!item.version.isEmpty() || !item.shortVersionString.isEmpty())
                    appcast.items.append(std::move(item));
            }
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        *error = localized(QStringLiteral("The update feed is not valid XML: %1 (line %2)."))
                     .arg(reader.errorString())
                     .arg(reader.lineNumber());
        return std::nullopt;
    }
    if (!isFeed) {
        *error = localized(QStringLiteral("The update feed is empty."));
        return std::nullopt;
    }
    return appcast;
}

std::optional<AppcastItem> Appcast::bestUpdate(const QString& currentVersion) const
{
    std::optional<AppcastItem> best;
    for (const AppcastItem& item : items) {
        const QString version = item.displayVersionString();
        if (compareVersions(version, currentVersion) > 0
            && (!best || compareVersions(version, best->displayVersionString()) > 0))
            best = item;
    }
    return best;
}

int compareVersions(const QString& left, const QString& right)
{
    const QList<QStringView> leftParts = QStringView(left).split(QLatin1Char('.'));
    const QList<QStringView> rightParts = QStringView(right).split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::max(leftParts.size(), rightParts.size()); ++i) {
        const QStringView a = i < leftParts.size() ? leadingNumber(leftParts[i]) : QStringView();
        const QStringView b = i < rightParts.size() ? leadingNumber(rightParts[i]) : QStringView();
        // Without leading zeros, the longer number is the larger.
        if (a.size() != b.size())
            return a.size() < b.size() ? -1 : 1;
        if (const int order = a.compare(b); order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}
