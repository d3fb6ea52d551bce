#pragma once

#include "core/AppRule.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// Writes and reads rules backup files (RulesDocument) and logs the outcome.
class RulesExportManager : public QObject {
    Q_OBJECT
public:
    static RulesExportManager& shared();

    // Logs "Exported rules to <file URL>", or "Export failed: <reason>" and
    // returns false.
    bool exportRules(const QList<AppRule>& rules, const QString& path);

    // The rules of the file, in file order. Nothing, with *error set, when it
    // cannot be read or decoded; that is logged as "Failed to import rules: ".
    std::optional<QList<AppRule>> importRules(const QString& path, QString* error);
};
