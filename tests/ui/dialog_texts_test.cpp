// Every dialog, the frame's tool bar and the document's menus walked once:
// each named control's caption and hint as the program's own texts say.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <map>

#include "app/about.h"
#include "app/document_window.h"
#include "app/main_frame.h"
#include "formats/ui/gif_info_dialog.h"
#include "formats/ui/raw_info_dialog.h"
#include "processing_fake_app.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"
#include "wizard/ui/wizard_dialog.h"

namespace tessalin {
namespace {

using namespace test::processing_ui;

// What a control shows: a button's or label's text, a group's title, a combo
// box's items joined by "|", a status bar's message, a window's caption.
QString CaptionOf(const QObject* object) {
  if (auto* button = qobject_cast<const QAbstractButton*>(object)) return button->text();
  if (auto* label = qobject_cast<const QLabel*>(object)) return label->text();
  if (auto* group = qobject_cast<const QGroupBox*>(object)) return group->title();
  if (auto* edit = qobject_cast<const QLineEdit*>(object)) return edit->text();
  if (auto* action = qobject_cast<const QAction*>(object)) return action->text();
  if (auto* status = qobject_cast<const QStatusBar*>(object)) return status->currentMessage();
  if (auto* combo = qobject_cast<const QComboBox*>(object)) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items.join('|');
  }
  if (auto* widget = qobject_cast<const QWidget*>(object); widget && widget->isWindow())
    return widget->windowTitle();
  return QString();
}

QString HintOf(const QObject* object) {
  if (auto* action = qobject_cast<const QAction*>(object)) return action->statusTip();
  if (auto* widget = qobject_cast<const QWidget*>(object)) return widget->toolTip();
  return QString();
}

struct Text {
  const char* window;
  const char* name;     // "" for the window itself
  const char* caption;  // nullptr: none to check
  const char* hint;     // nullptr: none to check
};

const char* const kRgbHint = "Channel Applied Image for RGB(2xClick for Exporting)";
const char* const kHsiHint = "Channel Applied Image for HSI(2xClick for Exporting)";
const char* const kChannelHints[] = {"Channel Applied Image for R(2xClick for Exporting)",
                                     "Channel Applied Image for G(2xClick for Exporting)",
                                     "Channel Applied Image for B(2xClick for Exporting)",
                                     "Channel Applied Image for H(2xClick for Exporting)",
                                     "Channel Applied Image for S(2xClick for Exporting)",
                                     "Channel Applied Image for I(2xClick for Exporting)"};
const char* const kChannelPreviews[] = {"R_Img", "G_Img", "B_Img", "H_Img", "S_Img", "I_Img"};

const Text kTexts[] = {
    {"raw", "", "RawImage Info", nullptr},
    {"raw", "Label3", "Describe", nullptr},
    {"raw", "FileSize_Lbl", "(0 bytes)", "current filesize"},
    {"raw", "FileName_Lbl", "\"FileName\"", "current filename"},
    {"raw", "Dim_GrpBox", "Dimension", nullptr},
    {"raw", "Label1", "Height:", nullptr},
    {"raw", "Label4", "Pixels", nullptr},
    {"raw", "Height_Edit", "0", "raw image height"},
    {"raw", "Label2", "Width:", nullptr},
    {"raw", "Label5", "Pixels", nullptr},
    {"raw", "Width_Edit", "0", "raw image width"},
    {"raw", "PfBit_RdoGrp", "Channel", "raw image bitcount"},
    {"raw", "Swap_Btn", "&Swap", "exchange current width and height"},
    {"raw", "Open_Btn", "&Open", "open raw iamge with current setting"},
    {"raw", "Cancel_Btn", "&Cancel", "exit"},

    {"gif", "", "Gif SubImage Selection", nullptr},
    {"gif", "Label1", "Animation GifImage", nullptr},
    {"gif", "AniGif_Img", nullptr, "animated gif"},
    {"gif", "Label3", "Gif SubImageList", nullptr},
    {"gif", "GifSubImg_ChkBox", nullptr, "check Image for exporting"},
    {"gif", "Label2", "Selected GifSubImage(1/1)", nullptr},
    {"gif", "GifSub_Img", nullptr, "current selected subImage"},
    {"gif", "ReOpen_BitBtn", "ReOpen", "new Gif open"},
    {"gif", "Export_BitBtn", "Ok", "selected image export and exit"},
    {"gif", "Close_BitBtn", "Close", "exit without select"},
    {"gif", "Trans_ChkBox", "TransParent", "Transparent Enable"},
    {"gif", "SelectAll_Item", "&Select All", "Select all List"},
    {"gif", "UnSelectAll_Item", "&UnSelect All", "unSelect all List"},
    {"gif", "SelectInverse_Item", "Select &Inverse", "select Inverse"},

    {"dither", "", "Image Dithering Process", "Double Click to Export"},
    {"dither", "Dither_CbBox", "Clusterd Dot|Clusterd Dot2|Floyd&Steinberg|Jarvis&judice&Ninke|Stucki|Custom",
     "Select Dithering type"},
    {"dither", "Bias_SpinE", nullptr, "Select Dithering threshold Value"},
    {"dither", "Apply_Btn", "&Apply", "Apply Selected Dithering"},
    {"dither", "Close_Btn", "&Close", "Close Dithering window"},
    {"dither", "R_Img", nullptr, "Channel Applied Image for Channel1(2xClick for Exporting)"},
    {"dither", "G_Img", nullptr, "Channel Applied Image for Channel2(2xClick for Exporting)"},
    {"dither", "Src_Img", nullptr, "This is Dithering Source Image"},
    {"dither", "B_Img", nullptr, "Channel Applied Image for Channel3(2xClick for Exporting)"},
    {"dither", "I_Img", nullptr, "Channel Applied Image for Channel4(2xClick for Exporting)"},

    {"convolve", "", "Image Convolve Process for Sharpning, Blouring, Edge Detect", "Double Click to Export"},
    {"convolve", "StatusBar", "Current windows  is Convolve Porcess.", nullptr},
    {"convolve", "Conv_CbBox",
     "Blouring|Sharpning1|Sharpning2|Sharpning3|Sharpning4|Embosing1|Laplacian1|Laplacian2|Conv Edge|Sobel "
     "Edge|"
     "Roberts Edge|Prewitt Edge",
     "Select Convolving type"},
    {"convolve", "Bias_SpinE", nullptr, "Select Convolving OffSet"},
    {"convolve", "Apply_Btn", "&Apply", "Apply Selected Convolve"},
    {"convolve", "Cose_Btn", "&Close", "Close Convolve window"},
    {"convolve", "Src_Img", nullptr, "This is Source Image for Convolve Process"},
    {"convolve", "RGB_Img", nullptr, kRgbHint},

    {"edge", "", "Edge Detect Processing", "Double Click to Export"},
    {"edge", "StatusBar", "This is Edge detection Process.", nullptr},
    {"edge", "Edge_CbBox", "Difference|HomoGeneity", "Select Edge Detect type"},
    {"edge", "Bias_SpinE", nullptr, "Select Edge Detect offset Value"},
    {"edge", "Apply_Btn", "&Apply", "ApplySelected Edge"},
    {"edge", "Close_Btn", "&Close", "Close Edge window"},
    {"edge", "RGB_Img", nullptr, kRgbHint},

    {"channel", "", "Color Channel Property", "Double Click on Images to pick it out"},
    {"channel", "R_TrBar", nullptr, "Red Channel +/-"},
    {"channel", "G_TrBar", nullptr, "Green Channel +/-"},
    {"channel", "B_TrBar", nullptr, "Blue Channel +/-"},
    {"channel", "H_TrBar", nullptr, "Hue Channel +/-"},
    {"channel", "S_TrBar", nullptr, "Saturation Channel +/-"},
    {"channel", "I_TrBar", nullptr, "Intensity Channel +/-"},
    {"channel", "Channel_Dis_Btn", "&Distribution", "Channel Distribution"},
    {"channel", "ReSet_Btn", "&Reset", "Change current Channel Image to Source Image"},
    {"channel", "Close_Btn", "&Close", "Close Channel window"},
    {"channel", "R_UpDown", nullptr, "R Channel ThresHold"},
    {"channel", "G_UpDown", nullptr, "G Channel ThresHold"},
    {"channel", "B_UpDown", nullptr, "B Channel ThresHold"},
    {"channel", "H_UpDown", nullptr, "H Channel ThresHold"},
    {"channel", "S_UpDown", nullptr, "S Channel ThresHold"},
    {"channel", "I_UpDown", nullptr, "I Channel ThresHold"},
    {"channel", "RGB_Img", nullptr, kRgbHint},
    {"channel", "HSI_Img", nullptr, kHsiHint},

    {"rotate", "", "Image Rotating Process", nullptr},
    {"rotate", "Src_Img", nullptr, "current rotated image"},
    {"rotate", "Degree_TrBar", nullptr, "Rotate degrees"},
    {"rotate", "Fit_ChkBox", "&Full Fit", "fit full image size"},
    {"rotate", "Ok_BitBtn", "Ok", "select current rotated image"},
    {"rotate", "Close_BitBtn", "Close", "Close Rotate window"},

    {"scale", "", "Image Scaling Process", nullptr},
    {"scale", "Src_Img", nullptr, "current scaled image"},
    {"scale", "Mini_Rate_Lbl", "100%", "current minification rate"},
    {"scale", "Mini_TrBar", nullptr, "reduction rate"},
    {"scale", "Magni_Rate_Lbl", "100%", "current magnification rate"},
    {"scale", "Magni_trBar", nullptr, "magnification rate"},
    {"scale", "Ok_BitBtn", "Ok", "select current scaled image"},
    {"scale", "Close_BitBtn", "Close", "Close Scale window"},

    {"wizard", "", "Tessalin Wizard", nullptr},
    {"wizard", "Next_BitBtn", "Next", "Next step"},
    {"wizard", "Calcel_BitBtn", "Cancel", "Exit wizard"},
    {"wizard", "WMode1_RBtn", "One Click Wizard", nullptr},
    {"wizard", "WMode2_RBtn", "Detail Wizard", nullptr},
    {"wizard", "SrcType0_RBtn", "Picture type", nullptr},
    {"wizard", "SrcType1_RBtn", "ComputerGraphic or Drawing type", nullptr},
    {"wizard", "SrcType2_RBtn", "Icon type", nullptr},
    {"wizard", "ScaleType0_RBtn", "125%", nullptr},
    {"wizard", "ScaleType1_RBtn", "100%", nullptr},
    {"wizard", "ScaleType2_RBtn", "75%", nullptr},
    {"wizard", "ScaleType3_RBtn", "50%", nullptr},
    {"wizard", "ScaleType4_RBtn", "25%", nullptr},
    {"wizard", "ResultType0_RBtn", "Simple Result type", nullptr},
    {"wizard", "ResultType1_RBtn", "Various Result type", nullptr},

    {"about", "", "About", nullptr},
    {"about", "Label1", "Visit Velkora", nullptr},

    {"frame", "", "Tessalin of Velkora", nullptr},
    {"frame", "OpenToolBtn", nullptr, "File Open"},
    {"frame", "SaveToolBtn", nullptr, "Save current file as..."},
    {"frame", "WizardToolBtn", nullptr, "Run Wizard"},
    {"frame", "SelectToolBtn", nullptr, "Select Area"},
    {"frame", "CutToolBtn", nullptr, "Cut Selected Area"},
    {"frame", "CopyToolBtn", nullptr, "Copy Selected Area"},
    {"frame", "PastewithNewToolBtn", nullptr, "Paste into New window from clipboard"},
    {"frame", "Process1ToolBtn", nullptr, "Quick process1"},
    {"frame", "Process2ToolBtn", nullptr, "Quick process2"},
    {"frame", "Process3ToolBtn", nullptr, "Quick process3"},
    {"frame", "Process4ToolBtn", nullptr, "Quick process4"},
    {"frame", "HelpToolBtn", nullptr, "Show Help Contents"},
    {"frame", "ExitToolBtn", nullptr, "Exit Tessalin"},

    {"document", "BitModel_pfDevItem", "pf&Dev", nullptr},
    {"document", "BitModel_pf1BitItem", "pf&1Bit", nullptr},
    {"document", "BitModel_pf4BitItem", "pf&4Bit", nullptr},
    {"document", "BitModel_pf8BitItem", "pf&8Bit", nullptr},
    {"document", "BitModel_pf15bitItem", "pf1&5bit", nullptr},
    {"document", "BitModel_pf16BitItem", "pf1&6Bit", nullptr},
    {"document", "BitModel_pf24BitItem", "pf&24Bit", nullptr},
    {"document", "BitModel_pf32BitItem", "pf&32Bit", nullptr},
    {"document", "Model_GrayScaleItem", "&GrayScal", nullptr},
    {"document", "Model_MonoChromeItem", "&Monochrome", nullptr},
    {"document", "Model_InverseItem", "&Inverse", nullptr},
    {"document", "Model_RGB2HSIItem", "RGB &to HSI ", nullptr},
    {"document", "Model_RModelItem", "&R Model", nullptr},
    {"document", "Model_GModelItem", "&G Model", nullptr},
    {"document", "Model_BModelItem", "&B Model", nullptr},
    {"document", "Model_RGBModelItem", "RGB &Model", nullptr},
    {"document", "Model_HModelItem", "&H Model", nullptr},
    {"document", "Model_SModelItem", "&S Model", nullptr},
    {"document", "Model_IModelItem", "&I Model", nullptr},
    {"document", "Model_HSIModelItem", "HSI &Model", nullptr},
    {"document", "Bit_HSIChannelItem", "&HSI Channel distribution", nullptr},
    {"document", "Bit_RGBChannelItem", "&RGB Channel distribution", nullptr},
    {"document", "Mirror_VerticalItem", "Mirror &Vertical", nullptr},
    {"document", "Mirror_HorizontalItem", "Mirror &Horizontal", nullptr},
};

TEST(DialogTexts, EveryNamedControlShowsItsCaptionAndHint) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeGradient(20, 10);
  test::FakeFramePrompts prompts;
  test::RecordingSink sink;
  TRawInfo_Dlg_Frm raw(prompts);
  TGifInfo_Dlg_Frm gif(sink, prompts);
  WizardSettings settings;
  TWizard_Frm wizard(settings);
  TAbout_Frm about(app);
  TMain_Frm frame(std::make_unique<test::FakeFramePrompts>());
  frame.CreateResultChild("doc", doc);
  std::map<std::string, QWidget*> windows = {
      {"raw", &raw}, {"gif", &gif}, {"wizard", &wizard}, {"about", &about}, {"frame", &frame}};
  std::vector<std::unique_ptr<CloseAtEnd>> closing;
  for (const auto& [command, tag] : {std::pair<const char*, int>{"dither", 2},
                                     {"convolve", 0},
                                     {"edge", 0},
                                     {"channel", 0},
                                     {"rotate", 1},
                                     {"scale", 0}}) {
    QWidget* dialog = RunCommand(command, app, &doc, tag);
    ASSERT_NE(dialog, nullptr) << command;
    closing.push_back(std::make_unique<CloseAtEnd>(dialog));
    windows[command] = dialog;
  }
  TMDIChild* document = frame.Documents().at(0);

  for (const Text& t : kTexts) {
    const std::string where = std::string(t.window) + " " + t.name;
    const QObject* control = nullptr;
    if (std::string(t.window) == "document")
      control = document->Item(t.name);
    else if (*t.name == '\0')
      control = windows.at(t.window);
    else
      control = windows.at(t.window)->findChild<QObject*>(QString::fromLatin1(t.name));
    ASSERT_NE(control, nullptr) << where;
    if (t.caption) EXPECT_EQ(CaptionOf(control), QString::fromUtf8(t.caption)) << where;
    if (t.hint) EXPECT_EQ(HintOf(control), QString::fromUtf8(t.hint)) << where;
  }
  // The six single-channel previews of the convolution, edge and channel dialogs.
  for (const char* window : {"convolve", "edge", "channel"})
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(HintOf(windows.at(window)->findChild<QObject*>(kChannelPreviews[i])), kChannelHints[i])
          << window << " " << kChannelPreviews[i];
}

}  // namespace
}  // namespace tessalin
