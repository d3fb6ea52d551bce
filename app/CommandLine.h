#pragma once

#include <QString>
#include <QStringList>

// What the program is asked to do by its arguments: run in the tray (none),
// ask the running Kelvaro (or, for sources, the display) something, or show
// its usage or version.
struct CommandLine {
    enum class Command {
        RunTray,
        ListSources,
        Pause,
        Resume,
        TogglePause,
        ShowStatus,
        ListRules,
        AddRule,
        DeleteRule,
        ShowHelp,
        ShowVersion,
        Invalid
    };

    Command command = Command::RunTray;
    QString error;          // why the arguments are Invalid
    QStringList operands;   // AddRule: application, input source; DeleteRule: rule ID
    bool json = false;      // --json: the answer as JSON

    // arguments: the program's name first, as in argv.
    static CommandLine parse(const QStringList& arguments);
    static QStringList argumentsOf(int argc, char** argv);
    static QString usage();
};
