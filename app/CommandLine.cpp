#include "app/CommandLine.h"

#include <QCommandLineParser>

namespace {

// A command: its words, how many operands follow them, whether --json applies.
struct Form {
    QStringList words;
    qsizetype operands;
    CommandLine::Command command;
    bool json;
};

const QList<Form>& forms()
{
    using Command = CommandLine::Command;
    static const QList<Form> forms{
        {{"sources"}, 0, Command::ListSources, true},
        {{"pause"}, 0, Command::Pause, false},
        {{"resume"}, 0, Command::Resume, false},
        {{"toggle"}, 0, Command::TogglePause, false},
        {{"status"}, 0, Command::ShowStatus, true},
        {{"rules", "list"}, 0, Command::ListRules, true},
        {{"rules", "add"}, 2, Command::AddRule, false},
        {{"rules", "delete"}, 1, Command::DeleteRule, false},
    };
    return forms;
}

CommandLine invalid(const QString& error)
{
    return {CommandLine::Command::Invalid, error, {}, false};
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption json(QStringLiteral("json"), QString());
    parser.addOptions({help, version, json});
    if (!parser.parse(arguments))
        return invalid(parser.errorText());
    if (parser.isSet(help))
        return {Command::ShowHelp, {}, {}, false};
    if (parser.isSet(version))
        return {Command::ShowVersion, {}, {}, false};
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty() && !parser.isSet(json))
        return {};
    for (const Form& form : forms()) {
        if (words.mid(0, form.words.size()) != form.words)
            continue;
        const QString name = form.words.join(QLatin1Char(' '));
        if (words.size() != form.words.size() + form.operands)
            return invalid(QStringLiteral("Wrong number of arguments for %1").arg(name));
        if (parser.isSet(json) && !form.json)
            return invalid(QStringLiteral("--json is not an option of %1").arg(name));
        return {form.command, {}, words.mid(form.words.size()), parser.isSet(json)};
    }
    if (words.isEmpty())
        return invalid(QStringLiteral("--json needs a command"));
    return invalid(QStringLiteral("Unknown command: %1").arg(words.join(QLatin1Char(' '))));
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
        "Usage: kelvaro [COMMAND] [--json]\n"
        "\n"
        "Without a command Kelvaro runs in the system tray and selects the keyboard layout\n"
        "for each application that comes to the front. The commands ask the Kelvaro that\n"
        "runs in this session, over D-Bus; they end with status 1 and one line on standard\n"
        "error when no Kelvaro answers or it refuses.\n"
        "\n"
        "  sources            Lists the enabled input sources, one per line: the identifier,\n"
        "                     a tab and the name; the current one is marked with \"* \"\n"
        "                     before it, the others with two spaces. Without a running\n"
        "                     Kelvaro the list is read from the display.\n"
        "  status             Tells whether switching is paused.\n"
        "  pause              Pauses automatic switching.\n"
        "  resume             Resumes automatic switching.\n"
        "  toggle             Pauses switching, or resumes it when paused.\n"
        "  rules list         Lists the rules, one per line: the rule's ID, \"enabled\" or\n"
        "                     \"disabled\", the application, the input source and the\n"
        "                     application's name, separated by tabs.\n"
        "  rules add APP SOURCE\n"
        "                     Selects the input source SOURCE (see sources) whenever the\n"
        "                     application APP (its desktop entry's ID, such as\n"
        "                     org.gnome.TextEditor) comes to the front; replaces the\n"
        "                     application's rule. Prints the new rule's ID.\n"
        "  rules delete ID    Deletes the rule with this ID.\n"
        "  --json             With sources, status and rules list: the answer as JSON\n"
        "                     (for rules list, as a rules backup file holds them).\n"
        "  -h, --help         Shows this text.\n"
        "  -v, --version      Shows the version.\n");
}
