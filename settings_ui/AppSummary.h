#pragma once

#include "core/AppRule.h"

#include <QWidget>

namespace platform {
class Workspace;
}

// A rule's application as the list and the edit sheet show it: its icon,
// then its name above its bundle identifier, both verbatim.
class AppSummary : public QWidget {
    Q_OBJECT
public:
    AppSummary(const AppRule& rule, platform::Workspace& workspace, QWidget* parent = nullptr);
};
