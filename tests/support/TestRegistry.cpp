#include "TestRegistry.h"

#include <QList>
#include <QTest>

#include <cstring>

namespace TestRegistry {

namespace {

struct Entry {
    const char* name;
    std::function<std::unique_ptr<QObject>()> factory;
};

QList<Entry>& entries()
{
    static QList<Entry> registered;
    return registered;
}

} // namespace

bool add(const char* name, std::function<std::unique_ptr<QObject>()> factory)
{
    entries().append({name, std::move(factory)});
    return true;
}

int runAll(int argc, char** argv)
{
    const char* only = nullptr;
    for (const Entry& entry : entries()) {
        if (argc > 1 && std::strcmp(argv[1], entry.name) == 0)
            only = entry.name;
    }
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        if (i != 1 || !only)
            arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    int failed = 0;
    for (const Entry& entry : entries()) {
        if (only && std::strcmp(only, entry.name) != 0)
            continue;
        const std::unique_ptr<QObject> test = entry.factory();
        failed += QTest::qExec(test.get(), arguments) != 0;
    }
    return failed;
}

} // namespace TestRegistry
