#pragma once

#include "app/ListedInputSource.h"

#include <QList>
#include <QString>

#include <optional>

// `kelvaro sources` without a running Kelvaro: the enabled input sources read
// from the display itself. Neither the single-instance guard nor the rules or
// settings are touched. Needs the application object.
namespace SourcesCommand {

// Nothing, with *error set, without a display or a list.
std::optional<QList<ListedInputSource>> readDisplay(QString* error);

} // namespace SourcesCommand
