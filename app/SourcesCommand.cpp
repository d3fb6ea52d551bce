#include "app/SourcesCommand.h"

#include "core/InputSourceManager.h"
#include "logging/LogText.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

namespace SourcesCommand {

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(message));
    return 1;
}

} // namespace

int run(int argc, char** argv)
{
    if (QString error; !platform::probeDisplay(&error))
        return fail(error);
    // The X connection reads its events through the event loop's notifiers.
    QCoreApplication application(argc, argv);
    // The list is the output; which framework gave it is not news here.
    QLoggingCategory::setFilterRules(QStringLiteral("Platform.info=false"));
    platform::TextInputSources& sources = platform::sharedTextInputSources();
    const auto entries = sources.enabledInputSources();
    if (!entries)
        return fail(QStringLiteral("Kelvaro cannot read the keyboard layouts of the display"));
    const auto current = sources.currentKeyboardInputSource();
    QByteArray text;
    for (const platform::PlatformInputSource& entry : *entries) {
        const auto source = InputSourceManager::offered(entry);
        if (!source)
            continue;
        // Names come from the X server: escaped, so that each source stays one line.
        text += (current == entry ? "* " : "  ") + logging::logText(source->id).toUtf8() + '\t'
            + logging::logText(source->name).toUtf8() + '\n';
    }
    if (std::fputs(text.constData(), stdout) < 0 || std::fflush(stdout) != 0)
        return fail(QStringLiteral("Kelvaro cannot write the list of input sources"));
    return 0;
}

} // namespace SourcesCommand
