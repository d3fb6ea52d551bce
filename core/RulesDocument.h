#pragma once

#include "core/AppRule.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A rules backup file: a JSON array of rule objects in list order, written
// indented with each object's members sorted by name; read as any array of
// rule objects (the rules file's reader, AppRuleJson).
struct RulesDocument {
    // Far above any backup a person makes (some 140,000 rules); what is
    // larger is not read.
    static constexpr qint64 kMaximumFileSize = qint64(32) * 1024 * 1024;

    QList<AppRule> rules;

    QByteArray encode() const;

    // Replaces the file whole and syncs it. False with *error set when it
    // could not be written; the file is then as it was.
    bool write(const QString& path, QString* error) const;

    // Only a regular file of at most kMaximumFileSize is read. Nothing, with
    // *error set, when it cannot be read or is not an array of rules.
    static std::optional<RulesDocument> read(const QString& path, QString* error);
};
