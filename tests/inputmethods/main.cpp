#include "TestRegistry.h"

#include <QApplication>

KELVARO_TEST_PROGRAM(QApplication, .display = true, .xkbLayouts = {"us", "de"}, .sessionBus = true)
