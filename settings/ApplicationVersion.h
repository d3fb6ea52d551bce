#pragma once

#include <QString>

// The version shown to the user: the application's version (set at start
// from the build's version), or "1.0" when none is set.
QString applicationShortVersion();

// The build number shown beside the version: the one the build was given
// (KELVARO_BUILD_NUMBER), or "1" without one.
QString applicationBuildNumber();
