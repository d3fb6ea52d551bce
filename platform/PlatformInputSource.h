#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace platform {

// One entry of the platform's list of enabled input sources. Every property is
// optional because a backend may not know it; the input source manager decides
// what an absent property means.
struct PlatformInputSource {
    std::optional<bool> isSelectCapable;
    std::optional<QString> id;
    std::optional<QString> localizedName;
    std::optional<QUrl> iconUrl;
    // The backend's own reference to the entry (the XKB group index); only
    // meaningful to the backend that produced it.
    int handle = -1;

    friend bool operator==(const PlatformInputSource&, const PlatformInputSource&) = default;
};

} // namespace platform
