#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One release in an appcast.
struct AppcastItem {
    QString title;
    QString version;              // sparkle:version
    QString shortVersionString;   // sparkle:shortVersionString
    QUrl fileURL;                 // the enclosure
    QUrl releaseNotesURL;         // sparkle:releaseNotesLink
    QUrl infoURL;                 // the item's link

    // The version shown to the user: the short version, else the version.
    QString displayVersionString() const;
    // The page a user downloads the release from: the first web address of
    // the link, the release notes and the enclosure; empty without one.
    QUrl downloadPageURL() const;
};

// The release list of an update feed: RSS 2.0 with Sparkle's elements and
// attributes (in the item or on its enclosure). Items without a version are
// left out. Parsed without any document type declaration: a feed that has
// one is refused, so entity expansions cannot blow it up.
struct Appcast {
    QList<AppcastItem> items;

    // Nothing, with *error set, when data is not such a feed.
    static std::optional<Appcast> parse(const QByteArray& data, QString* error);

    // The newest item whose display version is newer than currentVersion.
    std::optional<AppcastItem> bestUpdate(const QString& currentVersion) const;
};

// Compares two versions number by number from the left ("1.10" > "1.9",
// "2" == "2.0"): negative, zero or positive. Each part counts by its leading
// digits, of any length; a part without digits counts as 0.
int compareVersions(const QString& left, const QString& right);
