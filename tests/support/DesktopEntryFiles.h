#pragma once

#include "TestEnvironment.h"
#include "TestFiles.h"

#include "platform/InstalledApplication.h"

// A well-formed application entry starts so; the lines of each follow.
inline const QByteArray kApplicationEntry = "[Desktop Entry]\nType=Application\nExec=true\n";

// Writes a desktop entry into the test's only XDG data folder. Write the
// entries a test needs before it makes the workspace: its index reads them
// then (later ones are seen after the index's next scan).
inline bool writeDesktopEntry(const QString& fileName, const QByteArray& contents)
{
    return writeFile(TestEnvironment::current().dataDir() + QStringLiteral("/applications/") + fileName, contents);
}

// "bundle|name|icon|path under the test's root", "-" for no name; "<none>" for no application.
inline QString describe(const std::optional<platform::InstalledApplication>& app)
{
    return !app ? QStringLiteral("<none>") : QStringList{app->bundleIdentifier, app->localizedName.value_or("-"), app->iconName,
        QDir(TestEnvironment::current().root()).relativeFilePath(app->path)}.join('|');
}
