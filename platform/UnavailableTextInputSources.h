#pragma once

#include "platform/TextInputSources.h"

namespace platform {

// Stands in when the session offers no keyboard backend (no X display):
// there is no list, no current source, and selecting fails.
class UnavailableTextInputSources : public TextInputSources {
public:
    using TextInputSources::TextInputSources;
    std::optional<QList<PlatformInputSource>> enabledInputSources() override { return std::nullopt; }
    std::optional<PlatformInputSource> currentKeyboardInputSource() override { return std::nullopt; }
    int selectInputSource(const PlatformInputSource&) override { return kStatusFailed; }
};

} // namespace platform
