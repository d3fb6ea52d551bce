#include "Xdotool.h"

#include "Command.h"

bool xdotool(const QStringList& arguments, QString* error)
{
    return runCommand(QStringLiteral("xdotool"), arguments, error, 20000).has_value();
}
