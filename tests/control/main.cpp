#include "TestRegistry.h"

#include <QCoreApplication>

KELVARO_TEST_PROGRAM(QCoreApplication, .sessionBus = true)
