#pragma once

#include <QHash>
#include <QString>

#include <optional>

// The translated texts of one language: the folder "<code>.lproj" and its
// "Localizable.strings". A default-constructed bundle is the development
// language, English, whose texts are the keys themselves.
class LocalizedBundle {
public:
    LocalizedBundle() = default;

    // Opens a language folder. A folder without a string table is a valid
    // bundle with no translations; a damaged table is reported through the
    // logger and leaves the bundle without translations. Nothing when the
    // folder does not exist.
    static std::optional<LocalizedBundle> open(const QString& folderPath);

    QString path() const { return m_path; }
    bool isDevelopmentLanguage() const { return m_path.isEmpty(); }
    qsizetype translationCount() const { return m_table.size(); }

    // The translation of key, or key itself when there is none.
    QString localizedString(const QString& key) const;

    friend bool operator==(const LocalizedBundle& a, const LocalizedBundle& b) { return a.m_path == b.m_path; }

private:
    QString m_path;
    QHash<QString, QString> m_table;
};
