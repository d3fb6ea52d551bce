#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>
#include <QUrl>

#include <optional>

// One keyboard input source the desktop offers for selection. Never stored.
struct InputSource {
    QString id;
    QString name;                   // "Unknown" when the platform gives none
    std::optional<QUrl> iconURL;

    friend bool operator==(const InputSource&, const InputSource&) = default;
};

// Feeds id, then name, then a presence marker for the icon (0 absent; 1 and the
// URL present), so an absent icon never hashes like a present one.
inline size_t qHash(const InputSource& source, size_t seed = 0)
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, source.id);
    seed = combine(seed, source.name);
    seed = combine(seed, source.iconURL.has_value() ? 1 : 0);
    if (source.iconURL)
        seed = combine(seed, *source.iconURL);
    return seed;
}

Q_DECLARE_METATYPE(InputSource)
