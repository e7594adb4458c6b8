#include "app/help.h"

#include <QCoreApplication>
#include <QFile>
#include <filesystem>
#include <system_error>

#include "widgets/command_registry.h"

// The installed share folder as seen from the installed program's directory;
// the build sets it from the install layout, so any prefix works.
#ifndef TESSALIN_HELP_FROM_PROGRAM_DIR
#define TESSALIN_HELP_FROM_PROGRAM_DIR "../share/tessalin"
#endif

namespace tessalin {

namespace {

namespace fs = std::filesystem;

std::string Normal(const fs::path& path) {
  std::string text = path.lexically_normal().string();
  if (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

std::string NoViewerMessage(const std::string& helpFolder, bool hasPages) {
  std::string text = "No help viewer or web browser was found to show the help.\rThe help is in the folder " +
                     helpFolder + ".";
  if (hasPages) text += "\rOpen " + std::string(kHelpHtmlIndex) + " there with any web browser.";
  return text;
}

std::string NoHelpMessage(const std::vector<std::string>& folders) {
  std::string text = "The help was not found";
  for (size_t i = 0; i < folders.size(); ++i) text += (i == 0 ? " in " : " or in ") + folders[i];
  return text + ".";
}

}  // namespace

std::vector<std::string> HelpFolders(const std::string& programDir) {
  const fs::path program(programDir);
  std::vector<std::string> folders{Normal(program)};
  const std::string installed = Normal(program / TESSALIN_HELP_FROM_PROGRAM_DIR);
  if (installed != folders.front()) folders.push_back(installed);
  return folders;
}

void OpenHelpContents(HelpViewerShell& shell, const std::vector<std::string>& folders, UserPrompts& prompts) {
  if (shell.RaiseWindowTitled(kHelpWindowTitle)) return;
  for (const std::string& folder : folders) {
    const fs::path compiled = fs::path(folder) / kHelpFileName;
    const fs::path pages = fs::path(folder) / kHelpHtmlFolder;
    const bool hasCompiled = IsFile(compiled);
    const bool hasPages = IsFile(pages / kHelpHtmlIndex);
    if (!hasCompiled && !hasPages) continue;
    // One document per viewer: a browser given the compiled file shows bytes.
    if (hasCompiled && shell.OpenDocument(compiled.string())) return;
    if (hasPages && shell.OpenDocument((pages / kHelpHtmlIndex).string())) return;
    prompts.ShowMessage(NoViewerMessage(hasPages ? pages.string() : folder, hasPages));
    return;
  }
  prompts.ShowMessage(NoHelpMessage(folders));
}

void OpenHelpContents(UserPrompts& prompts) {
  const std::string programDir = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
  OpenHelpContents(DesktopHelpShell(), HelpFolders(programDir), prompts);
}

namespace {
const AppCommandRegistration kHelpCommand("help", [](AppServices& app, const RasterImage*, int) {
  OpenHelpContents(app.Prompts());
});
}  // namespace

}  // namespace tessalin
