#pragma once

#include <QString>
#include <QStringList>

// What the program is asked to do by its arguments: run in the tray (none),
// list the input sources ("sources"), or show its usage or version.
struct CommandLine {
    enum class Command { RunTray, ListSources, ShowHelp, ShowVersion, Invalid };

    Command command = Command::RunTray;
    QString error;   // why the arguments are Invalid

    // arguments: the program's name first, as in argv.
    static CommandLine parse(const QStringList& arguments);
    static QStringList argumentsOf(int argc, char** argv);
    static QString usage();
};
