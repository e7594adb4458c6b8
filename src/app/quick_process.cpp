#include "app/quick_process.h"

#include <new>
#include <string>

#include "app/wizard_run.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "processing/convolve.h"
#include "widgets/command_registry.h"
#include "wizard/wizard_process.h"

namespace tessalin {

namespace {

constexpr int kSharpning2 = 2;
constexpr int kChannelI = 6;

// pf1Bit, Monochrome and the sharpened intensity at 1 bit, each in its own window.
void QuickProcess1(AppServices& app, const RasterImage& document) {
  YieldingProgress progress(app.Progress());
  progress.ProgressStart(3, 1);

  RasterImage oneBit;
  oneBit.Assign(document);  // keeps the document's own pixel format
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf1Bit), oneBit);
  app.CreateResultChild("pf1Bit Model", oneBit);
  progress.ProgressStep();

  RasterImage work;
  work.Assign(document);
  work.SetPixelFormat(PixelFormat::pf24Bit);
  app.CreateResultChild("Monochrome Model", EtcModelImage(1, work));
  progress.ProgressStep();

  // At the current SharedBias: unlike the wizard recipes, this command leaves it alone.
  ConvolveSource prepared;
  PrepareConvolveSource(prepared, work);
  RasterImage sharpened = ConvolveChannel(prepared, kChannelI, kSharpning2, app.State().SharedBias);
  ReleaseWorkBuffers(prepared);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf1Bit), sharpened);
  app.CreateResultChild("pf1bit2", sharpened);
  progress.ProgressStep();
}

// The recipe settings of Process 2 .. 4; they stay in force afterwards.
WizardSettings QuickSettings(int number) {
  WizardSettings settings;
  settings.ScaleType = 1;
  switch (number) {
    case 2: settings.WMode = 1, settings.SrcType = 0, settings.ResultType = 0; break;
    case 3: settings.WMode = 1, settings.SrcType = 1, settings.ResultType = 0; break;
    default: settings.WMode = 0, settings.SrcType = 0, settings.ResultType = 1; break;
  }
  return settings;
}

// Everything a quick command does around its work, undone however it ends.
class QuickRunScope {
 public:
  explicit QuickRunScope(AppServices& app) : app_(app) {
    app_.SuspendMenuUpdates(true);
    app_.ShowProgressBar(true);
    app_.SetApplicationHint(QString::fromLatin1(kQuickProcessHint));
  }
  ~QuickRunScope() {
    app_.ShowProgressBar(false);
    app_.SuspendMenuUpdates(false);
  }
  QuickRunScope(const QuickRunScope&) = delete;
  QuickRunScope& operator=(const QuickRunScope&) = delete;

 private:
  AppServices& app_;
};

}  // namespace

void QuickProcess(AppServices& app, const RasterImage& document, int number) {
  if (number < 1 || number > 4 || !document.HasImage()) return;
  try {
    // New windows may move the active document; work on a copy of its picture.
    RasterImage source;
    source.Assign(document);
    HourglassCursor hourglass;
    {
      QuickRunScope scope(app);
      if (number == 1) {
        QuickProcess1(app, source);
      } else {
        app.State().wizard = QuickSettings(number);
        YieldingProgress progress(app.Progress());
        WizardProcess(source, app.State(), app, progress);
      }
    }
    if (number != 1) app.TileAndFitChildren();
  } catch (const TessalinError& error) {
    app.Prompts().ShowMessage(error.what());
  } catch (const std::bad_alloc&) {
    app.Prompts().ShowMessage("Out of memory.");
  }
}

namespace {

AppCommand QuickCommand(int number) {
  return [number](AppServices& app, const RasterImage* source, int) {
    if (source) QuickProcess(app, *source, number);
  };
}

const AppCommandRegistration kProcess1("process1", QuickCommand(1));
const AppCommandRegistration kProcess2("process2", QuickCommand(2));
const AppCommandRegistration kProcess3("process3", QuickCommand(3));
const AppCommandRegistration kProcess4("process4", QuickCommand(4));

}  // namespace

}  // namespace tessalin
