#pragma once

#include <QJsonObject>
#include <QString>

// Figures of the real program under a private X server: switch latency next
// to the floor switcher's and the peers', start-up, memory and idle wake-ups.
// The result has "program", "floor" and "peers"; only "program" with only the
// switches made while desktop entries change when `entriesOnly`.
QJsonObject runSwitchBenchmarks(const QString& kelvaroProgram, const QString& floorProgram, int idleSeconds,
                                bool entriesOnly = false);
