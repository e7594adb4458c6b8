// tessalin-cli: every engine without windows.
#include <csignal>

#include "cli/command_line.h"

int main(int argc, char** argv) {
  // A reader that goes away early makes the write fail with a message and
  // status 1, rather than ending the program without a word.
  std::signal(SIGPIPE, SIG_IGN);
  return tessalin::cli::RunCommandLine(argc, argv);
}
