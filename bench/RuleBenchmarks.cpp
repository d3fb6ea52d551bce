#include "RuleBenchmarks.h"

#include "Samples.h"

#include "core/RuleIndex.h"

#include "EngineOverFakes.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int kRuleCount = 10000;

QList<AppRule> manyRules(int count)
{
    QList<AppRule> rules;
    rules.reserve(count);
    for (int i = 0; i < count; ++i)
        rules.append(AppRule::create(QStringLiteral("org.example.application%1").arg(i),
                                     QStringLiteral("Application %1").arg(i), QStringLiteral("xkb:de::deu")));
    return rules;
}

void print(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Time per call, in microseconds, over batches of calls.
template <typename Call>
Samples timePerCall(Call call)
{
    Samples samples(QStringLiteral("µs"));
    constexpr int batches = 200;
    constexpr int callsPerBatch = 50;
    for (int batch = 0; batch < batches; ++batch) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < callsPerBatch; ++i)
            call();
        samples.add(double(timer.nsecsElapsed()) / 1000.0 / callsPerBatch);
    }
    return samples;
}

} // namespace

QJsonObject runRuleBenchmarks()
{
    QJsonObject results;
    const QList<AppRule> rules = manyRules(kRuleCount);
    const QString lastBundle = rules.last().appBundleID;
    const std::optional<QString> fallback = QStringLiteral("xkb:us::eng");

    // What the engine does when the list changes, then at every switch.
    Samples indexing(QStringLiteral("ms"));
    RuleIndex index;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        index = RuleIndex(rules);
        indexing.add(double(timer.nsecsElapsed()) / 1e6);
    }
    print(QStringLiteral("Indexing 10,000 rules (once per change of the list): %1").arg(indexing.summary()));
    results.insert(QStringLiteral("indexTenThousand"), indexing.toJson());

    volatile int sink = 0;
    const QString unknown = QStringLiteral("org.example.unknown");
    const Samples matchAtEnd = timePerCall([&] {
        sink = sink + int(index.decide(lastBundle, fallback)->inputSourceID.size());
    });
    const Samples noMatch = timePerCall([&] { sink = sink + int(index.decide(unknown, fallback)->reason); });
    print(QStringLiteral("Rule decision, 10,000 rules, match at the end: %1").arg(matchAtEnd.summary()));
    print(QStringLiteral("Rule decision, 10,000 rules, no match, default: %1").arg(noMatch.summary()));
    results.insert(QStringLiteral("decisionMatchAtEnd"), matchAtEnd.toJson());
    results.insert(QStringLiteral("decisionNoMatchDefault"), noMatch.toJson());

    // Saving: one save of the whole list, repeated.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Kelvaro/rules.json"));
    RulesStore store(path);
    Samples oneSave(QStringLiteral("ms"));
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!store.save(rules, &error))
            print(QStringLiteral("save failed: ") + error);
        oneSave.add(double(timer.nsecsElapsed()) / 1e6);
    }
    print(QStringLiteral("One save of 10,000 rules: %1").arg(oneSave.summary()));
    results.insert(QStringLiteral("saveTenThousand"), oneSave.toJson());

    // Adding through the engine: each addRule saves the whole list.
    EngineOverFakes fakes;
    RuleEngine& engine = *fakes.engine;

    QElapsedTimer timer;
    timer.start();
    for (const AppRule& rule : rules)
        engine.addRule(rule);
    const double oneByOne = double(timer.nsecsElapsed()) / 1e6;
    print(QStringLiteral("addRule 10,000 times (a save each): %1 ms in all").arg(oneByOne, 0, 'f', 1));

    engine.setRules({});
    timer.restart();
    QList<AppRule> built;
    for (const AppRule& rule : rules)
        built.append(rule);
    engine.setRules(built);
    const double assignedOnce = double(timer.nsecsElapsed()) / 1e6;
    print(QStringLiteral("Building 10,000 rules in memory, assigning once: %1 ms").arg(assignedOnce, 0, 'f', 1));
    results.insert(QStringLiteral("addRuleOneByOneMs"), oneByOne);
    results.insert(QStringLiteral("buildAndAssignOnceMs"), assignedOnce);
    return results;
}
