#pragma once

#include "TestEnvironment.h"
#include "TestFiles.h"

// Writes a desktop entry into the test's only XDG data folder. Write the
// entries a test needs before its first GIO call: GIO reads them then.
inline bool writeDesktopEntry(const QString& fileName, const QByteArray& contents)
{
    return writeFile(TestEnvironment::current().dataDir() + QStringLiteral("/applications/") + fileName, contents);
}
