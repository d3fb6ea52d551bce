#include "TestRegistry.h"

#include <QList>
#include <QTest>

namespace TestRegistry {

namespace {

QList<std::pair<QString, std::function<std::unique_ptr<QObject>()>>>& entries()
{
    static QList<std::pair<QString, std::function<std::unique_ptr<QObject>()>>> registered;
    return registered;
}

} // namespace

bool add(const char* name, std::function<std::unique_ptr<QObject>()> factory)
{
    entries().append({QString::fromLatin1(name), std::move(factory)});
    return true;
}

int runAll(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto named = [&](const auto& entry) { return arguments.size() > 1 && entry.first == arguments[1]; };
    const bool one = std::any_of(entries().cbegin(), entries().cend(), named);
    const QString only = one ? arguments.takeAt(1) : QString();
    int failed = 0;
    for (const auto& [name, factory] : std::as_const(entries())) {
        if (only.isEmpty() || name == only)
            failed += QTest::qExec(factory().get(), arguments) != 0;
    }
    return failed;
}

} // namespace TestRegistry
