// tessalin-cli: every engine without windows. Errors: message on stderr, exit 1;
// bad usage: exit 2.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "core/large_buffer.h"
#include "core/tessalin_error.h"

#ifndef TESSALIN_VERSION
#define TESSALIN_VERSION "0"
#endif

namespace tessalin::cli {

namespace {

int CommandRank(const std::string& name) {
  static const std::vector<std::string> order = {"info", "convert", "apply", "wizard"};
  const auto it = std::find(order.begin(), order.end(), name);
  return it == order.end() ? static_cast<int>(order.size()) : static_cast<int>(it - order.begin());
}

void PrintHelp(std::ostream& out) {
  out << "Usage: tessalin-cli --help | --version\n";
  std::vector<const Command*> commands;
  for (const Command& c : Commands()) commands.push_back(&c);
  std::sort(commands.begin(), commands.end(),
            [](const Command* a, const Command* b) { return CommandRank(a->name) < CommandRank(b->name); });
  for (const Command* c : commands) out << c->usage();
}

}  // namespace

int Main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp(std::cerr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h") {
    PrintHelp(std::cout);
    return 0;
  }
  if (args[0] == "--version") {
    std::cout << "tessalin-cli " << TESSALIN_VERSION << "\n";
    return 0;
  }
  // One command per run: the big buffers it drops serve its next ones.
  const LargeBufferReuse reuse;
  for (const Command& c : Commands()) {
    if (c.name != args[0]) continue;
    try {
      return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const UsageError& e) {
      std::cerr << "tessalin-cli: " << e.what() << "\n" << c.usage();
      return 2;
    } catch (const TessalinError& e) {
      std::cerr << "tessalin-cli: " << e.what() << "\n";
      return 1;
    } catch (const std::bad_alloc&) {
      std::cerr << "tessalin-cli: out of memory\n";
      return 1;
    } catch (const std::exception& e) {
      std::cerr << "tessalin-cli: " << e.what() << "\n";
      return 1;
    }
  }
  std::cerr << "tessalin-cli: unknown command \"" << args[0] << "\"\n";
  PrintHelp(std::cerr);
  return 2;
}

}  // namespace tessalin::cli

int main(int argc, char** argv) { return tessalin::cli::Main(argc, argv); }
