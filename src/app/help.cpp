#include "app/help.h"

#include <QCoreApplication>
#include <QFile>

#include "widgets/command_registry.h"

namespace tessalin {

void OpenHelpContents(HelpViewerShell& shell, const std::string& programDir) {
  std::string path = programDir;
  if (!path.empty() && path.back() != '/') path += '/';
  path += kHelpFileName;
  if (shell.RaiseWindowTitled(kHelpWindowTitle)) return;
  shell.OpenDocument(path);
}

void OpenHelpContents() {
  OpenHelpContents(DesktopHelpShell(), QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
}

namespace {
const AppCommandRegistration kHelpCommand("help", [](AppServices&, const RasterImage*, int) { OpenHelpContents(); });
}  // namespace

}  // namespace tessalin
