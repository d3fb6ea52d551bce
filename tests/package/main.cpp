#include "TestRegistry.h"

#include <QCoreApplication>

KELVARO_TEST_PROGRAM(QCoreApplication, .display = true, .xkbLayouts = {"us", "de"}, .sessionBus = true)
