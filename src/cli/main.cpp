// tessalin-cli: every engine without windows.
#include <csignal>

#include "cli/command_line.h"
#include "core/large_buffer.h"

int main(int argc, char** argv) {
  // A reader that goes away early makes the write fail with a message and
  // status 1, rather than ending the program without a word.
  std::signal(SIGPIPE, SIG_IGN);
  // One command per run: the big buffers it drops serve its next ones.
  const tessalin::LargeBufferReuse reuse;
  return tessalin::cli::RunCommandLine(argc, argv);
}
