#pragma once

#include <QMetaType>
#include <QString>
#include <QUuid>

// When the application with bundle identifier appBundleID comes to the front,
// select the input source targetInputSourceID. Field order is also the order
// of the members in the JSON form.
struct AppRule {
    QUuid id;
    QString appBundleID;
    QString appName;
    QString targetInputSourceID;
    bool isEnabled = true;

    // A new rule: fresh random id, enabled.
    static AppRule create(const QString& appBundleID, const QString& appName, const QString& targetInputSourceID);

    friend bool operator==(const AppRule&, const AppRule&) = default;
};

Q_DECLARE_METATYPE(AppRule)
