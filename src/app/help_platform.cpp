#include "app/help_platform.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <sstream>

#include "app/home_page.h"

namespace tessalin {

namespace {

QString FromLocal(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }
std::string ToLocal(const QString& text) { return QFile::encodeName(text).toStdString(); }

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The XDG data directories, most important first.
QStringList DataDirs() {
  QStringList dirs;
  const QString home =
      qEnvironmentVariable("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
  dirs << home;
  const QString system = qEnvironmentVariable("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
  dirs << system.split(QLatin1Char(':'), Qt::SkipEmptyParts);
  return dirs;
}

QString DefaultBrowserEntry() {
  QProcess query;
  query.start(QStringLiteral("xdg-settings"), {QStringLiteral("get"), QStringLiteral("default-web-browser")});
  if (!query.waitForFinished(3000)) {
    query.kill();
    query.waitForFinished(1000);
    return QString();
  }
  if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return QString();
  return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

class DesktopRegistryImpl : public ClassesRegistry {
 public:
  std::optional<std::string> DefaultValue(const std::string& key) override {
    const std::string lower = Lower(key);
    if (lower != ".htm\\shell\\open\\command" && lower != ".html\\shell\\open\\command") return std::nullopt;
    const std::string exec = DesktopBrowserExec();
    if (exec.empty()) return std::nullopt;
    return exec;
  }
};

class NoDde : public DdeClient {
 public:
  std::unique_ptr<DdeConversation> OpenConversation() override { return nullptr; }
};

// A program named by a path or on PATH, else a command line to split
// (an Exec line such as "env X=1 browser").
void ResolveProgram(const std::string& program, const std::vector<std::string>& arguments, QString& resolved,
                    QStringList& resolvedArguments) {
  resolved = FromLocal(program);
  for (const std::string& argument : arguments) resolvedArguments << FromLocal(argument);
  if (QFileInfo(resolved).isExecutable() || !QStandardPaths::findExecutable(resolved).isEmpty()) return;
  QStringList parts = QProcess::splitCommand(resolved);
  if (parts.isEmpty()) return;
  resolved = parts.takeFirst();
  resolvedArguments = parts + resolvedArguments;
}

class DesktopProcessesImpl : public ProcessStarter {
 public:
  bool Start(const std::string& program, const std::vector<std::string>& arguments, WindowShow) override {
    QString resolved;
    QStringList resolvedArguments;
    ResolveProgram(program, arguments, resolved, resolvedArguments);
    if (resolved.isEmpty()) return false;
    return QProcess::startDetached(resolved, resolvedArguments);
  }
};

// Remembers the viewer it started, so that a second request raises it instead
// of opening another one.
class DesktopHelpShellImpl : public HelpViewerShell {
 public:
  bool RaiseWindowTitled(const std::string& title) override {
    if (!viewer_ || viewer_->state() == QProcess::NotRunning) return false;
    // Window managers that follow EWMH raise by title through wmctrl; without
    // it the viewer stays where it is, but no second one opens.
    const QString wmctrl = QStandardPaths::findExecutable(QStringLiteral("wmctrl"));
    if (!wmctrl.isEmpty()) QProcess::startDetached(wmctrl, {QStringLiteral("-a"), FromLocal(title)});
    return true;
  }

  bool OpenDocument(const std::string& path) override {
    const QString document = FromLocal(path);
    if (document.endsWith(QStringLiteral(".chm"), Qt::CaseInsensitive)) {
      const QString viewer = ChmViewer();
      return !viewer.isEmpty() && StartViewer(viewer, {document});
    }
    const std::string browser = BrowserCommand(DesktopRegistry(), "HTM");
    if (!browser.empty()) {
      QString program;
      QStringList arguments;
      ResolveProgram(browser, {ToLocal(document)}, program, arguments);
      if (!program.isEmpty() && StartViewer(program, arguments)) return true;
    }
    // The desktop's own opener, when it has one of its own.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(document));
  }

 private:
  static QString ChmViewer() {
    for (const char* name : {"xchm", "kchmviewer", "okular"}) {
      const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
      if (!program.isEmpty()) return program;
    }
    return QString();
  }

  bool StartViewer(const QString& program, const QStringList& arguments) {
    delete viewer_;
    viewer_ = new QProcess;
    QObject::connect(viewer_.data(), &QProcess::finished, viewer_.data(), &QObject::deleteLater);
    viewer_->start(program, arguments);
    if (viewer_->waitForStarted(3000)) return true;
    delete viewer_;
    return false;
  }

  QPointer<QProcess> viewer_;
};

}  // namespace

std::string DesktopEntryExec(const std::string& entryText) {
  std::istringstream lines(entryText);
  std::string line;
  bool inEntry = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (inEntry && line.rfind("Exec=", 0) == 0) return line.substr(5);
  }
  return std::string();
}

std::string DesktopBrowserExec() {
  const QString fromEnvironment = qEnvironmentVariable("BROWSER");
  if (!fromEnvironment.isEmpty()) {
    const QString first = fromEnvironment.split(QLatin1Char(':'), Qt::SkipEmptyParts).value(0);
    if (!first.isEmpty()) return ToLocal(first);
  }
  const QString entry = DefaultBrowserEntry();
  if (!entry.isEmpty() && !entry.contains(QLatin1Char('/'))) {
    for (const QString& dir : DataDirs()) {
      QFile file(dir + QStringLiteral("/applications/") + entry);
      if (file.size() > (1 << 20) || !file.open(QIODevice::ReadOnly)) continue;
      const std::string exec = DesktopEntryExec(file.readAll().toStdString());
      if (!exec.empty()) return exec;
    }
  }
  const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  return xdgOpen.isEmpty() ? std::string() : ToLocal(xdgOpen);
}

ClassesRegistry& DesktopRegistry() {
  static DesktopRegistryImpl registry;
  return registry;
}

DdeClient& DesktopDde() {
  static NoDde dde;
  return dde;
}

ProcessStarter& DesktopProcesses() {
  static DesktopProcessesImpl processes;
  return processes;
}

HelpViewerShell& DesktopHelpShell() {
  static DesktopHelpShellImpl shell;
  return shell;
}

}  // namespace tessalin
