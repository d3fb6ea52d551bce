#pragma once

#include "TestEnvironment.h"

#include <QObject>

#include <functional>
#include <memory>

// The test objects of one program: each test file registers its own with
// KELVARO_TEST, and the program's main (KELVARO_TEST_PROGRAM) runs them all.
namespace TestRegistry {

bool add(const char* name, std::function<std::unique_ptr<QObject>()> factory);

// Runs every registered object in turn with the program's arguments, or only
// the one the first argument names (`tst_core RuleEngineTest -v2`). Returns
// the number of failed objects.
int runAll(int argc, char** argv);

} // namespace TestRegistry

#define KELVARO_TEST(Class)                                                                                   \
    [[maybe_unused]] static const bool kelvaroRegistered##Class =                                            \
        TestRegistry::add(#Class, [] { return std::unique_ptr<QObject>(new Class); });

// The environment first (temporary home, optionally a private X server or
// session bus), then the application object, then every test object.
#define KELVARO_TEST_PROGRAM(ApplicationType, ...)                                                            \
    int main(int argc, char** argv)                                                                           \
    {                                                                                                         \
        TestEnvironment environment(TestEnvironmentOptions{__VA_ARGS__});                                     \
        ApplicationType application(argc, argv);                                                              \
        return TestRegistry::runAll(argc, argv);                                                              \
    }
