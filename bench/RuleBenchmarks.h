#pragma once

#include <QJsonObject>

// In-process figures of the rule engine: the decision with 10,000 rules, and
// adding or saving 10,000 rules.
QJsonObject runRuleBenchmarks();
