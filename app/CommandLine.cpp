#include "app/CommandLine.h"

#include <QCommandLineParser>

CommandLine CommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOptions({help, version});
    if (!parser.parse(arguments))
        return {Command::Invalid, parser.errorText()};
    if (parser.isSet(help))
        return {Command::ShowHelp, {}};
    if (parser.isSet(version))
        return {Command::ShowVersion, {}};
    const QStringList commands = parser.positionalArguments();
    if (commands.isEmpty())
        return {};
    if (commands == QStringList{QStringLiteral("sources")})
        return {Command::ListSources, {}};
    return {Command::Invalid, QStringLiteral("Unknown command: %1").arg(commands.join(QLatin1Char(' ')))};
}

QStringList CommandLine::argumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: kelvaro [sources]\n"
        "\n"
        "Without a command Kelvaro runs in the system tray and selects the keyboard layout\n"
        "for each application that comes to the front.\n"
        "\n"
        "  sources        Lists the enabled input sources of the display, one per line:\n"
        "                 the identifier, a tab and the name; the current one is marked\n"
        "                 with \"* \" before it, the others with two spaces.\n"
        "  -h, --help     Shows this text.\n"
        "  -v, --version  Shows the version.\n");
}
