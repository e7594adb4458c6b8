#include "app/wizard_run.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <new>

#include "core/tessalin_error.h"
#include "widgets/command_registry.h"
#include "wizard/ui/wizard_dialog.h"
#include "wizard/wizard_process.h"

namespace tessalin {

HourglassCursor::HourglassCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
HourglassCursor::~HourglassCursor() { QApplication::restoreOverrideCursor(); }

void YieldingProgress::ProgressStart(int maximum, int step) {
  frame_.ProgressStart(maximum, step);
  QCoreApplication::processEvents();
}

namespace {

// Hides the progress bar however the run ends.
class ProgressBarShown {
 public:
  explicit ProgressBarShown(AppServices& app) : app_(app) { app_.ShowProgressBar(true); }
  ~ProgressBarShown() { app_.ShowProgressBar(false); }
  ProgressBarShown(const ProgressBarShown&) = delete;
  ProgressBarShown& operator=(const ProgressBarShown&) = delete;

 private:
  AppServices& app_;
};

// The flag is meant for this one load; a load that throws must not leave it set.
class WizardOpenFlagSet {
 public:
  explicit WizardOpenFlagSet(SharedState& state) : state_(state) { state_.WizardOpenFlag = true; }
  ~WizardOpenFlagSet() { state_.WizardOpenFlag = false; }
  WizardOpenFlagSet(const WizardOpenFlagSet&) = delete;
  WizardOpenFlagSet& operator=(const WizardOpenFlagSet&) = delete;

 private:
  SharedState& state_;
};

bool RunScales(const WizardSettings& settings) { return settings.SrcType != 2 && settings.ScaleType != 1; }

void RunWizardOnFileUnguarded(AppServices& app, const QString& fileName) {
  SharedState& state = app.State();
  const std::string path = QFile::encodeName(fileName).toStdString();
  RasterImage loaded;
  {
    WizardOpenFlagSet flag(state);
    FileContext context = app.MakeFileContext();
    loaded = LoadImageFile(path, context);
  }
  if (!loaded.HasImage()) {
    app.Prompts().ShowMessage(kWizardNoImageMessage);
    return;
  }
  HourglassCursor hourglass;
  {
    ProgressBarShown bar(app);
    YieldingProgress progress(app.Progress());
    WizardProcess(loaded, state, app, progress);
    // A scaled run works on the loaded picture made 24-bit, and the source
    // window shows it that way.
    if (RunScales(state.wizard)) loaded.SetPixelFormat(PixelFormat::pf24Bit);
    app.CreateImageChild(path, loaded);
  }
  app.TileAndFitChildren();
}

}  // namespace

void RunWizardOnFile(AppServices& app, const QString& fileName) {
  try {
    RunWizardOnFileUnguarded(app, fileName);
  } catch (const TessalinError& error) {
    app.Prompts().ShowMessage(error.what());
  } catch (const std::bad_alloc&) {
    app.Prompts().ShowMessage("Out of memory.");
  }
}

void RunWizard(AppServices& app) {
  WizardSettings& settings = app.State().wizard;
  {
    TWizard_Frm wizard(settings, app.FrameWidget());
    if (wizard.exec() != QDialog::Accepted) return;
  }
  const int filter = settings.SrcType == 2 ? kIconsFilter : kAllFormatsFilter;
  const QString fileName = app.AskOpenFileName(QString::fromLatin1(kWizardOpenTitle), filter);
  if (fileName.isEmpty()) return;
  RunWizardOnFile(app, fileName);
}

namespace {
const AppCommandRegistration kWizardCommand("wizard",
                                            [](AppServices& app, const RasterImage*, int) { RunWizard(app); });
}  // namespace

}  // namespace tessalin
