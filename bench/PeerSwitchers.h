#pragma once

#include "SwitcherProcess.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>


// Another program that sets the keyboard group as windows come to the front,
// with a design of its own (they remember the group each window last had).
// Measured through the same harness as Kelvaro; never used by it.
struct PeerSwitcher {
    QString name;
    QString design;
    // Prepares its configuration in the benchmark's home (never the real one)
    // and returns its process, not started; or nothing, with the reason.
    std::function<std::unique_ptr<SwitcherProcess>(QString* whyNot)> setUp;
};

QList<PeerSwitcher> peerSwitchers();
