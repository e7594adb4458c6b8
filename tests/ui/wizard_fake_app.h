// A stand-in for the main frame in window tests of the wizard run, quick
// process and splash: records windows, progress, hints and dialog requests.
#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

#include "core/progress.h"
#include "widgets/app_services.h"

namespace tessalin::test {

class RecordingPrompts : public UserPrompts {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool Confirm(const std::string&) override { return true; }
  bool RunRawImport(const std::string&, RasterImage&) override { return false; }
  void BrowseGifFrames(const std::string&) override { ++gifBrowses; }
  std::vector<std::string> messages;
  int gifBrowses = 0;
};

class RecordingProgress : public CountingProgressSink {
 public:
  std::vector<std::string> hints;
  std::vector<int> maximums;
  void ProgressStart(int maximum, int step) override {
    maximums.push_back(maximum);
    CountingProgressSink::ProgressStart(maximum, step);
  }

 protected:
  void OnHint(const std::string& hint, int) override { hints.push_back(hint); }
};

struct FakeWindow {
  std::string name;     // the output name, or the file for a source window
  std::string caption;  // "Result<n>" or the file name without folder
  bool isSource = false;
  RasterImage picture;
};

class FakeApp : public AppServices {
 public:
  FakeApp() { windows.reserve(64); }  // references to a document stay valid during a run
  SharedState& State() override { return state; }
  UserPrompts& Prompts() override { return prompts; }
  FileContext MakeFileContext() override { return FileContext{prompts, *this, state, nullptr}; }
  ProgressSink& Progress() override { return progress; }
  void ShowProgressBar(bool visible) override {
    progressVisible = visible;
    if (visible) ++progressShows;
  }
  void CreateImageChild(const std::string& fileName, const RasterImage& raster) override {
    FakeWindow window{fileName, QFileInfo(QString::fromStdString(fileName)).fileName().toStdString(), true, {}};
    window.picture.Assign(raster);
    windows.push_back(std::move(window));
  }
  void CreateResultChild(const std::string& name, const RasterImage& raster) override {
    FakeWindow window{name, "Result" + std::to_string(windows.size() + 1), false, {}};
    window.picture.Assign(raster);
    windows.push_back(std::move(window));
    progressVisibleAtEveryResult = progressVisibleAtEveryResult && progressVisible;
    suspendedAtEveryResult = suspendedAtEveryResult && menuUpdatesSuspended;
  }
  void TileAndFitChildren() override { ++tiles; }
  int ChildCount() const override { return static_cast<int>(windows.size()); }
  const RasterImage* ActiveDocumentPicture() const override {
    return windows.empty() ? nullptr : &windows.back().picture;
  }
  QString AskOpenFileName(const QString& title, int filterIndex) override {
    openTitles << title;
    openFilters.push_back(filterIndex);
    return fileToOpen;
  }
  void SetApplicationHint(const QString& hint) override { appHints << hint; }
  QWidget* FrameWidget() override { return &frame; }
  void SuspendMenuUpdates(bool suspended) override {
    menuUpdatesSuspended = suspended;
    ++suspendCalls;
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const FakeWindow& window : windows) names.push_back(window.name);
    return names;
  }

  SharedState state;
  RecordingPrompts prompts;
  RecordingProgress progress;
  std::vector<FakeWindow> windows;
  QWidget frame;
  QString fileToOpen;
  QStringList openTitles;
  std::vector<int> openFilters;
  QStringList appHints;
  int tiles = 0;
  int progressShows = 0;
  bool progressVisible = false;
  bool progressVisibleAtEveryResult = true;
  bool menuUpdatesSuspended = false;
  bool suspendedAtEveryResult = true;
  int suspendCalls = 0;
};

}  // namespace tessalin::test

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

#include "widgets/command_registry.h"

namespace tessalin::test {

// Runs `act` on the first visible top-level widget of type T once the event
// loop (typically a modal dialog's) shows it.
template <typename T>
void WhenShown(std::function<void(T&)> act) {
  auto* poll = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, tries, act] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* target = qobject_cast<T*>(widget); target && target->isVisible()) {
        poll->stop();
        poll->deleteLater();
        act(*target);
        return;
      }
    }
    if (++*tries > 500) {
      poll->stop();
      poll->deleteLater();
    }
  });
  poll->start(5);
}

// Lets the event loop run until `done` holds or `milliseconds` pass.
inline bool ProcessEventsUntil(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// Replaces a registered command for one test and puts the original back.
class CommandStandIn {
 public:
  CommandStandIn(const std::string& name, AppCommand standIn) : name_(name) {
    if (const AppCommand* original = FindAppCommand(name)) original_ = *original;
    RegisterAppCommand(name, std::move(standIn));
  }
  ~CommandStandIn() { RegisterAppCommand(name_, original_); }
  CommandStandIn(const CommandStandIn&) = delete;
  CommandStandIn& operator=(const CommandStandIn&) = delete;

 private:
  std::string name_;
  AppCommand original_;
};

}  // namespace tessalin::test
