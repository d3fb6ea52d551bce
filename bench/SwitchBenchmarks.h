#pragma once

#include <QJsonObject>
#include <QString>

// Figures of the real program under a private X server: switch latency,
// start-up, memory and idle CPU.
QJsonObject runSwitchBenchmarks(const QString& kelvaroProgram, int idleSeconds);
