// What the command line prints on standard error: messages from any of the
// batch's threads, and the one progress line, which only a terminal shows and
// which a message never cuts in two.
#pragma once

#include <string>

namespace tessalin::cli {

// "tessalin-cli: TEXT" on a line of its own.
void PrintMessage(const std::string& text);

// Whether progress lines are drawn: standard error is a terminal and -q was not given.
void EnableProgress(bool quietRequested);

// Draws `text` as the progress line, replacing the previous one.
void ShowProgress(const std::string& text);
// Takes the progress line away, leaving the cursor at the start of an empty line.
void EndProgress();

}  // namespace tessalin::cli
