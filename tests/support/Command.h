#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Runs a program to its end: what it wrote to standard output when it ended
// with status 0; otherwise nothing, with the command, the reason and its
// standard error in *error.
std::optional<QByteArray> runCommand(const QString& program, const QStringList& arguments, QString* error,
                                     int timeoutMs = 120000);
