#include "app/SourcesCommand.h"

#include "core/InputSourceManager.h"
#include "platform/Platform.h"
#include "platform/TextInputSources.h"

#include <QLoggingCategory>

namespace SourcesCommand {

std::optional<QList<ListedInputSource>> readDisplay(QString* error)
{
    if (!platform::probeDisplay(error))
        return std::nullopt;
    // The list is the output; which framework gave it is not news here.
    QLoggingCategory::setFilterRules(QStringLiteral("Platform.info=false"));
    platform::TextInputSources& sources = platform::sharedTextInputSources();
    const auto entries = sources.enabledInputSources();
    if (!entries) {
        *error = QStringLiteral("Kelvaro cannot read the keyboard layouts of the display");
        return std::nullopt;
    }
    const auto current = sources.currentKeyboardInputSource();
    QList<ListedInputSource> listed;
    for (const platform::PlatformInputSource& entry : *entries) {
        if (const auto source = InputSourceManager::offered(entry))
            listed.append({source->id, source->name, current == entry});
    }
    return listed;
}

} // namespace SourcesCommand
