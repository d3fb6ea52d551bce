#pragma once

#include <QString>

// The application's resource folder: "resources" next to the executable when
// run from the build tree, else "../share/kelvaro/resources" relative to it
// when installed.
namespace ApplicationResources {

QString directory();

// The path of "<name>.<extension>" in the resource folder, or an empty
// string when there is no such file or folder.
QString pathForResource(const QString& directory, const QString& name, const QString& extension);

} // namespace ApplicationResources
