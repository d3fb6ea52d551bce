#pragma once

#include "TestEnvironment.h"
#include "TestFiles.h"

// A well-formed application entry starts so; the lines of each follow.
inline const QByteArray kApplicationEntry = "[Desktop Entry]\nType=Application\nExec=true\n";

// Writes a desktop entry into the test's only XDG data folder. Write the
// entries a test needs before it makes the workspace: its index reads them
// then (later ones are seen after the index's next scan).
inline bool writeDesktopEntry(const QString& fileName, const QByteArray& contents)
{
    return writeFile(TestEnvironment::current().dataDir() + QStringLiteral("/applications/") + fileName, contents);
}
