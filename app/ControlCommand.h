#pragma once

struct CommandLine;

// The commands that ask the running Kelvaro over the session bus (`kelvaro
// pause`, `rules add`, ...), and `sources`, which reads the display itself
// when no Kelvaro answers. Needs no display otherwise; neither the
// single-instance guard nor the rules or settings are touched here.
namespace ControlCommand {

// 0 when done and printed; 1, with one line on standard error, when no
// Kelvaro answers or the call fails.
int run(const CommandLine& commandLine, int argc, char** argv);

} // namespace ControlCommand
