#pragma once

#include <QString>
#include <QStringList>

// Runs xdotool on $DISPLAY, which presses keys through XTEST as a keyboard
// would. True once it has finished and the server has handled every request
// it made (it syncs before it exits); false, with the reason in *error, when
// it failed.
bool xdotool(const QStringList& arguments, QString* error);
