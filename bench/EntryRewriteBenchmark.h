#pragma once

#include "SwitchHarness.h"

#include <QList>

#include <functional>
#include <memory>

class SwitcherProcess;

// Switches made while a program rewrites one desktop entry every 200 ms, by
// the number of entries in the applications folder.
struct EntryRewriteRun {
    int entries = 0;
    SwitchRun run;
    qint64 residentKiB = 0;   // Kelvaro's, at the end
    qint64 residentKiBWhenQuiet = 0;   // and once the folder has not changed for a while
};

// Fills the user's applications folder with 100, then 20,000 entries (none of
// them the windows'), starts a Kelvaro each time (`startKelvaro`: started and
// switching, or null), and times switches spread over the rewrites. The folder
// is left empty.
QList<EntryRewriteRun> measureSwitchesWhileAnEntryIsRewritten(
    const std::function<std::unique_ptr<SwitcherProcess>()>& startKelvaro, SwitchHarness& harness,
    const SwitchTarget& a, const SwitchTarget& b);
