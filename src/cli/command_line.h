// The command line as a whole: the parser and the help built from the
// registered commands, operations and options, and the exit status.
#pragma once

namespace tessalin::cli {

// Parses argv, runs the command it names and returns the exit status: 0, 1
// when a file could not be read, worked on or written, 2 for bad usage.
int RunCommandLine(int argc, char** argv);

}  // namespace tessalin::cli
