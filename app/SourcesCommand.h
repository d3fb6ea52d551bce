#pragma once

// `kelvaro sources`: prints the enabled input sources of the display and ends.
// Neither the single-instance guard nor the rules or settings are touched.
namespace SourcesCommand {

// 0 when the list was printed, 1 without a display or a list.
int run(int argc, char** argv);

} // namespace SourcesCommand
