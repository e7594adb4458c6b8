// The one place that knows the parsing library: every command and apply
// operation becomes a subcommand with the options it registered, and the same
// declarations give the help, the man page (through --help-all) and the
// parsed values.
#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <deque>
#include <functional>
#include <iostream>
#include <map>
#include <new>
#include <sstream>

#include "cli/cli_common.h"
#include "core/tessalin_error.h"

#ifndef TESSALIN_VERSION
#define TESSALIN_VERSION "0"
#endif

namespace tessalin::cli {

namespace {

constexpr int kUsageStatus = 2;
constexpr size_t kHelpWidth = 100;

// Word-wraps `text` to lines of `width` after an indent of `indent` spaces.
std::string Wrap(const std::string& text, size_t indent, size_t width) {
  std::istringstream words(text);
  std::string out, line, word;
  while (words >> word) {
    if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
      out += line + "\n" + std::string(indent, ' ');
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return out + line;
}

constexpr size_t kOptionColumn = 30;

// "  --name VALUE     help wrapped at the width".
std::string OptionLine(const std::string& left, const std::string& help) {
  std::string line = "  " + left;
  line += line.size() < kOptionColumn ? std::string(kOptionColumn - line.size(), ' ')
                                      : "\n" + std::string(kOptionColumn, ' ');
  return line + Wrap(help, kOptionColumn, kHelpWidth) + "\n";
}

std::string OptionLine(const OptionSpec& o) {
  return OptionLine(o.names + (o.valueName.empty() ? "" : " " + o.valueName), o.help);
}

// Our usage lines in place of the library's, and option help wrapped to the width.
class HelpFormatter : public CLI::Formatter {
 public:
  std::map<const CLI::App*, std::string> usage;
  std::map<const CLI::App*, std::string> listedAs;  // "dither METHOD" in the list of operations

  std::string make_subcommand(const CLI::App* sub) const override {
    const auto it = listedAs.find(sub);
    return OptionLine(it == listedAs.end() ? sub->get_name() : it->second, sub->get_description());
  }

  std::string make_usage(const CLI::App* app, std::string) const override {
    const auto it = usage.find(app);
    return it == usage.end() ? std::string() : it->second;
  }
  std::string make_description(const CLI::App* app) const override {
    return Wrap(app->get_description(), 0, kHelpWidth) + "\n";
  }
  // The footers end in their own newline.
  std::string make_footer(const CLI::App* app) const override { return app->get_footer(); }
  std::string make_option(const CLI::Option* opt, bool positional) const override {
    return OptionLine(make_option_name(opt, positional) + make_option_opts(opt), make_option_desc(opt));
  }
};

std::string UsageLines(const std::string& prefix, const std::vector<std::string>& forms) {
  std::string text;
  for (size_t i = 0; i < forms.size(); ++i)
    text += (i == 0 ? "Usage: " : "   or: ") + prefix + (forms[i].empty() ? "" : " ") + forms[i] + "\n";
  return text;
}

// The parsed values, bound to the library's options.
class Declarations {
 public:
  void Declare(CLI::App& app, const std::vector<OptionSpec>& options) {
    for (const OptionSpec& o : options) {
      CLI::Option* opt =
          o.valueName.empty()
              ? app.add_flag(o.names, o.help)
              : app.add_option(o.names, strings_.emplace_back(), o.help)->type_name(o.valueName);
      // A repeated option takes its last value, as shells and scripts expect.
      opt->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
      declared_[opt] = o;
    }
    app.add_option("words", lists_.emplace_back(), "")->group("");
    words_[&app] = &lists_.back();
  }

  ParsedArgs Collect(const CLI::App& app) const {
    ParsedArgs args;
    args.positional = *words_.at(&app);
    for (const CLI::Option* opt : app.get_options()) {
      const auto declared = declared_.find(opt);
      if (declared == declared_.end() || opt->count() == 0) continue;
      const std::string key = "--" + opt->get_lnames().front();
      if (declared->second.valueName.empty()) {
        args.flags.insert(key);
      } else {
        args.values[key] = opt->results().back();
      }
    }
    return args;
  }

 private:
  std::deque<std::string> strings_;
  std::deque<std::vector<std::string>> lists_;
  std::map<const CLI::Option*, OptionSpec> declared_;
  std::map<const CLI::App*, std::vector<std::string>*> words_;
};

std::string OperationList() {
  std::string text = "Operations of apply:\n";
  for (const ApplyOperation* op : ApplyOperations()) {
    std::string words = op->name;
    for (const std::string& w : op->arguments) words += " " + w;
    text += "  " + words + std::string(words.size() < 28 ? 28 - words.size() : 1, ' ') + op->summary + "\n";
  }
  return text;
}

struct Parser {
  CLI::App top{
      "Tessalin's command line: pictures to 1-bit WBMP bitmaps for small monochrome screens, and every "
      "engine of Tessalin without windows.",
      "tessalin-cli"};
  std::shared_ptr<HelpFormatter> formatter = std::make_shared<HelpFormatter>();
  Declarations declarations;
  std::map<const CLI::App*, const Command*> commands;
  std::map<const CLI::App*, const ApplyOperation*> operations;
  std::map<const CLI::App*, std::string> helpHints;  // "tessalin-cli apply dither --help"
  bool versionAsked = false, helpAllAsked = false;

  Parser() {
    top.formatter(formatter);
    top.require_subcommand(1);
    top.set_help_flag("-h,--help", "print this help and exit");
    top.add_flag("--version", versionAsked, "print the version and exit");
    top.add_flag("--help-all", helpAllAsked, "print the help of every command and operation");
    formatter->usage[&top] =
        UsageLines("tessalin-cli", {"--help | --help-all | --version", "COMMAND [OPTIONS] ..."});
    helpHints[&top] = "tessalin-cli --help";
    top.footer([] {
      return OperationList() +
             "\nFormats go by the file extension; - reads standard input or writes standard output.\n"
             "Errors print \"tessalin-cli: FILE: what is wrong\" and exit with 1; bad usage exits with 2.\n"
             "Run 'tessalin-cli COMMAND --help' (or 'tessalin-cli apply OPERATION --help') for the "
             "details.\n";
    });
    for (const Command* c : Commands()) AddCommand(*c);
  }

  void AddCommand(const Command& c) {
    CLI::App* app = top.add_subcommand(c.name, c.summary);
    app->group("Commands");
    commands[app] = &c;
    formatter->usage[app] = UsageLines("tessalin-cli " + c.name, c.usage);
    helpHints[app] = "tessalin-cli " + c.name + " --help";
    if (c.details) app->footer(c.details);
    declarations.Declare(*app, c.options);
    if (c.name != "apply") return;
    app->require_subcommand(1);
    for (const ApplyOperation* op : ApplyOperations()) AddOperation(*app, *op);
  }

  void AddOperation(CLI::App& apply, const ApplyOperation& op) {
    CLI::App* app = apply.add_subcommand(op.name, op.summary);
    app->group("Operations");
    operations[app] = &op;
    std::string words = op.name;
    for (const std::string& w : op.arguments) words += " " + w;
    formatter->listedAs[app] = words;
    formatter->usage[app] =
        UsageLines("tessalin-cli apply " + words, {"[OPTIONS] IN OUT", "[OPTIONS] -o DIR [--to EXT] IN..."});
    helpHints[app] = "tessalin-cli apply " + op.name + " --help";
    if (op.details) app->footer(op.details);
    declarations.Declare(*app, ApplyOptionsOf(op));
  }

  // The innermost command the words reached, even when parsing stopped early.
  const CLI::App* Reached() const {
    const CLI::App* app = &top;
    for (std::vector<CLI::App*> chosen = top.get_subcommands(); !chosen.empty();
         chosen = chosen[0]->get_subcommands())
      app = chosen[0];
    return app;
  }

  // Every command and operation in one text, shaped for help2man: a heading
  // ending in a colon per block, the shared options written once.
  std::string HelpAll() const {
    std::string text = top.help();
    for (const Command* c : Commands()) {
      text += Block("tessalin-cli " + c->name, c->summary, c->usage, c->options, c->details);
      if (c->name != "apply") continue;
      text += "\nOptions of every operation (as for convert):\n";
      for (const auto* list : {&SizeOptions(), &OutputOptions(), &InputOptions()})
        for (const OptionSpec& o : *list) text += OptionLine(o);
      text += OptionLine(QuietOption());
      for (const ApplyOperation* op : ApplyOperations()) {
        std::string words = op->name;
        for (const std::string& w : op->arguments) words += " " + w;
        text += Block("tessalin-cli apply " + op->name, op->summary,
                      {words + " [OPTIONS] IN OUT", words + " [OPTIONS] -o DIR [--to EXT] IN..."},
                      op->options, op->details, "tessalin-cli apply");
      }
    }
    return text;
  }

  static std::string Block(const std::string& title, const std::string& summary,
                           const std::vector<std::string>& forms, const std::vector<OptionSpec>& options,
                           const std::function<std::string()>& details, const std::string& prefix = "") {
    std::string text = "\n" + title + ":\n  " + summary + "\n\n";
    for (const std::string& form : forms)
      text += "  " + (prefix.empty() ? title : prefix) + " " + form + "\n\n";
    for (const OptionSpec& o : options) text += OptionLine(o);
    if (details) text += "\n" + details();
    return text;
  }

  int UsageFailure(const CLI::App* app, const std::string& message) const {
    std::cerr << "tessalin-cli: " << message << "\n"
              << formatter->make_usage(app, "") << "Run '" << helpHints.at(app) << "' for more.\n";
    return kUsageStatus;
  }

  // The library's words for a word it did not expect, made plain where we know better.
  std::string UsageMessage(const CLI::ParseError& e, const std::vector<std::string>& words) const {
    const CLI::App* app = Reached();
    const auto first = [&](const CLI::App* after) -> std::string {
      // The word after the command's own name, when it is not an option.
      const std::string name = after == &top ? "" : after->get_name();
      for (size_t i = 0; i < words.size(); ++i)
        if (name.empty() || words[i] == name) {
          const size_t next = name.empty() ? i : i + 1;
          return next < words.size() && words[next].rfind("-", 0) != 0 ? words[next] : "";
        }
      return "";
    };
    if (app == &top && !first(&top).empty()) {
      std::string names;
      for (const Command* c : Commands()) names += (names.empty() ? "" : ", ") + c->name;
      return "unknown command \"" + first(&top) + "\"; the commands are " + names;
    }
    if (commands.count(app) && commands.at(app)->name == "apply") {
      std::string names;
      for (const ApplyOperation* op : ApplyOperations()) names += (names.empty() ? "" : ", ") + op->name;
      const std::string word = first(app);
      return (word.empty() ? "apply needs an operation" : "unknown operation \"" + word + "\"") +
             "; the operations are " + names;
    }
    std::string text = e.what();
    // "--threshold: 1 required T missing" from the library.
    if (e.get_name() == "ArgumentMismatch" && text.find(':') != std::string::npos)
      return text.substr(0, text.find(':')) + " needs a value";
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        std::islower(static_cast<unsigned char>(text[1])))
      text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
  }

  int Run(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
      std::cerr << top.help();
      return kUsageStatus;
    }
    // Words after "--" are files whatever they look like. The library's own
    // handling loses a positional word before it, so they are kept aside.
    const auto end = std::find(words.begin(), words.end(), "--");
    const std::vector<std::string> files(end == words.end() ? end : end + 1, words.end());
    std::vector<std::string> before(words.begin(), end);
    std::reverse(before.begin(), before.end());  // the library takes them last first
    try {
      top.parse(before);
    } catch (const CLI::CallForHelp&) {
      std::cout << top.help();
      return 0;
    } catch (const CLI::ParseError& e) {
      return UsageFailure(Reached(), UsageMessage(e, words));
    }
    if (versionAsked) {
      std::cout << "tessalin-cli " << TESSALIN_VERSION << "\n";
      return 0;
    }
    const CLI::App* app = Reached();
    ParsedArgs args = declarations.Collect(*app);
    args.positional.insert(args.positional.end(), files.begin(), files.end());
    const Command* command = nullptr;
    if (operations.count(app)) {
      args.operation = operations.at(app)->name;
      command = commands.at(app->get_parent());
    } else {
      command = commands.at(app);
    }
    try {
      return command->run(args);
    } catch (const UsageError& e) {
      return UsageFailure(app, e.what());
    } catch (const TessalinError& e) {
      std::cerr << "tessalin-cli: " << e.what() << "\n";
    } catch (const std::bad_alloc&) {
      std::cerr << "tessalin-cli: out of memory\n";
    } catch (const std::exception& e) {
      std::cerr << "tessalin-cli: " << e.what() << "\n";
    }
    return 1;
  }
};

}  // namespace

int RunCommandLine(int argc, char** argv) {
  // Answered before the parser is built, so that a version check costs nothing.
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "tessalin-cli " << TESSALIN_VERSION << "\n";
    return 0;
  }
  Parser parser;
  if (argc == 2 && std::string(argv[1]) == "--help-all") {
    std::cout << parser.HelpAll();
    return 0;
  }
  return parser.Run(argc, argv);
}

}  // namespace tessalin::cli
