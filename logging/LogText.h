#pragma once

#include <QString>
#include <QStringView>

// Text that comes from other programs (window classes, application ids, error
// strings of a D-Bus peer, values from hand-edited files) goes into a log line
// through logText(): control characters and line breaks are escaped, so that
// it cannot break the line or forge another one, and overlong text is cut.
namespace logging {

constexpr qsizetype kLogTextLimit = 200;

QString logText(QStringView text, qsizetype limit = kLogTextLimit);

} // namespace logging
