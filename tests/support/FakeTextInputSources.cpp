#include "FakeTextInputSources.h"

namespace platform {

std::optional<QList<PlatformInputSource>> FakeTextInputSources::enabledInputSources()
{
    ++listRequests;
    return entries;
}

int FakeTextInputSources::selectInputSource(const PlatformInputSource& source)
{
    selected.append(source);
    if (selectStatus == kStatusOk) {
        current = source;
        emit selectedInputSourceChanged();
    }
    return selectStatus;
}

void FakeTextInputSources::changeCurrent(const std::optional<PlatformInputSource>& source)
{
    current = source;
    emit selectedInputSourceChanged();
}

PlatformInputSource FakeTextInputSources::entry(const QString& id, const QString& name,
                                                std::optional<bool> selectCapable)
{
    PlatformInputSource source;
    source.id = id;
    source.localizedName = name;
    source.isSelectCapable = selectCapable;
    return source;
}

} // namespace platform
