#pragma once

#include "platform/linux/XConnection.h"

#include <QString>
#include <QtGlobal>

#include <memory>

// The program's own kind of X connection to the display (DISPLAY when empty);
// null, with the reason as a warning, when it cannot be opened.
inline std::unique_ptr<platform::XConnection> openConnection(const QString& display = QString())
{
    QString error;
    auto connection = platform::XConnection::open(display, &error);
    if (!connection)
        qWarning("%s", qPrintable(error));
    return connection;
}
