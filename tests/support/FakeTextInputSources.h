#pragma once

#include "platform/TextInputSources.h"

namespace platform {

// In-memory input sources. The list may be withheld (no list at all), the
// current entry set by hand, and selection answered with a chosen status.
class FakeTextInputSources : public TextInputSources {
    Q_OBJECT
public:
    using TextInputSources::TextInputSources;

    std::optional<QList<PlatformInputSource>> entries;
    std::optional<PlatformInputSource> current;
    int selectStatus = kStatusOk;
    QList<PlatformInputSource> selected;   // every entry selectInputSource was called with

    std::optional<QList<PlatformInputSource>> enabledInputSources() override { return entries; }
    std::optional<PlatformInputSource> currentKeyboardInputSource() override { return current; }
    int selectInputSource(const PlatformInputSource& source) override
    {
        selected.append(source);
        if (selectStatus == kStatusOk)
            changeCurrent(source);
        return selectStatus;
    }

    // Makes another client's change of input source: sets current, sends the notice.
    void changeCurrent(const std::optional<PlatformInputSource>& source)
    {
        current = source;
        emit selectedInputSourceChanged();
    }

    static PlatformInputSource entry(const QString& id, const QString& name,
                                     std::optional<bool> selectCapable = std::nullopt)
    {
        PlatformInputSource source;
        source.id = id;
        source.localizedName = name;
        source.isSelectCapable = selectCapable;
        return source;
    }
};

} // namespace platform
