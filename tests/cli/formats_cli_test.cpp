// tessalin-cli convert / info across the formats, with --raw and --frame, and
// the forms scripts rely on: names, one channel, screen sizes, batches, pipes, help.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/bmp_codec.h"
#include "core/pixel_ops.h"
#include "processing/scale.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::ReadBytes;
using test::RunCommand;
using test::TempDir;
using test::WriteBytes;

std::string Q(const std::string& s) { return "'" + s + "'"; }

struct Outcome {
  int status;
  std::string out, err;
};

Outcome Cli(const std::string& args, const TempDir& dir) {
  Outcome o;
  const std::string errFile = dir.File("stderr.txt");
  std::string out;
  o.status = RunCommand(std::string(TESSALIN_CLI_PATH) + " " + args + " 2> " + Q(errFile), &out);
  o.out = out;
  const std::vector<uint8_t> err = ReadBytes(errFile);
  o.err.assign(err.begin(), err.end());
  return o;
}

TEST(CliFormats, RawInputTakesItsSizeFromTheOption) {
  TempDir dir;
  std::vector<uint8_t> grey(12);
  for (int i = 0; i < 12; ++i) grey[i] = static_cast<uint8_t>(i * 21);
  WriteBytes(dir.File("g.raw"), grey);
  Outcome o = Cli("convert --raw 4x3x8 " + Q(dir.File("g.raw")) + " " + Q(dir.File("back.raw")), dir);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadBytes(dir.File("back.raw")), grey);

  o = Cli("info --raw 4x3x24 " + Q(dir.File("g.raw")), dir);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("g.raw: --raw 4x3x24 needs 36 bytes, but the file holds 12"), std::string::npos)
      << o.err;

  WriteBytes(dir.File("ten.raw"), std::vector<uint8_t>(10, 7));
  o = Cli("info --raw 3x3x8 " + Q(dir.File("ten.raw")), dir);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "3 3 24\n");
  EXPECT_NE(o.err.find("ten.raw: --raw 3x3x8 reads the first 9 of its 10 bytes"), std::string::npos);

  o = Cli("info --raw 10x2x1 " + Q(dir.File("ten.raw")), dir);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "10 2 1\n");

  o = Cli("info " + Q(dir.File("g.raw")), dir);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("--raw"), std::string::npos);
  EXPECT_EQ(Cli("info --raw 4x3x7 " + Q(dir.File("g.raw")), dir).status, 2);
  EXPECT_EQ(Cli("info --raw 4x3 " + Q(dir.File("g.raw")), dir).status, 2);
}

TEST(CliFormats, AnimatedGifByTheOnePictureRuleOrOneFrame) {
  TempDir dir;
  ASSERT_EQ(RunCommand("convert -size 30x20 xc:red -page +5+4 -size 10x5 xc:blue " + Q(dir.File("anim.gif"))),
            0);
  Outcome o = Cli("info " + Q(dir.File("anim.gif")), dir);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "30 20 8\n");
  o = Cli("info --frame 1 " + Q(dir.File("anim.gif")), dir);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "10 5 8\n");
  o = Cli("info --frame 2 " + Q(dir.File("anim.gif")), dir);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("no frame 2"), std::string::npos) << o.err;

  o = Cli("convert --frame 1 " + Q(dir.File("anim.gif")) + " " + Q(dir.File("blue.raw")), dir);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadBytes(dir.File("blue.raw")), std::vector<uint8_t>(50, 28));  // round(0.11 x 255)
}

TEST(CliFormats, RefusedExtensionsAreExitOneWithTheirMessages) {
  TempDir dir;
  WriteBytes(dir.File("a.pcx"), {1, 2, 3});
  Outcome o = Cli("info " + Q(dir.File("a.pcx")), dir);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("a.pcx: cannot read .pcx files; it reads .bmp"), std::string::npos) << o.err;

  ASSERT_EQ(RunCommand("convert -size 6x4 xc:green " + Q(dir.File("g.gif"))), 0);
  o = Cli("convert " + Q(dir.File("g.gif")) + " " + Q(dir.File("out.pcx")), dir);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("out.pcx: cannot write .pcx files; it writes .bmp"), std::string::npos) << o.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.pcx")));
  o = Cli("convert " + Q(dir.File("g.gif")) + " " + Q(dir.File("out.jpeg2")), dir);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("out.jpeg2: cannot write .jpeg2 files"), std::string::npos) << o.err;
}

TEST(CliFormats, EveryWritableFormatRoundTrips) {
  TempDir dir;
  ASSERT_EQ(RunCommand("convert -size 7x5 xc:'#FF0000' " + Q(dir.File("red.gif"))), 0);
  struct Case {
    std::string ext, info;
  };
  for (const Case& c :
       {Case{".jpg", "7 5 24"}, Case{".JPEG", "7 5 24"}, Case{".gif", "7 5 8"}, Case{".ico", "32 32 32"},
        Case{".emf", "7 5 32"}, Case{".wmf", "7 5 32"}, Case{".wbmp", "7 5 1"}}) {
    const std::string out = dir.File("out" + c.ext);
    const Outcome o = Cli("convert --bias 10 " + Q(dir.File("red.gif")) + " " + Q(out), dir);
    ASSERT_EQ(o.status, 0) << c.ext << ": " << o.err;
    const Outcome info = Cli("info " + Q(out), dir);
    EXPECT_EQ(info.status, 0) << c.ext << ": " << info.err;
    EXPECT_EQ(info.out, c.info + "\n") << c.ext;
  }
  // The red picture survives JPEG closely, GIF and the metafiles exactly (grey 76).
  for (const std::string ext : {".gif", ".emf", ".wmf"}) {
    ASSERT_EQ(
        Cli("convert " + Q(dir.File("out" + ext)) + " " + Q(dir.File("grey" + ext + ".raw")), dir).status, 0);
    EXPECT_EQ(ReadBytes(dir.File("grey" + ext + ".raw")), std::vector<uint8_t>(35, 76)) << ext;
  }
}

// One row per command line: `@` stands for the program; the command runs in
// the case's own folder. `same` lists files that must hold the same bytes,
// the first written by the form under test, the second by a form that was
// already trusted (or by one file at a time).
struct Form {
  std::string command;
  int status;
  std::string out, err;  // expected within stdout / stderr ("" for no check)
  std::vector<std::pair<std::string, std::string>> same;
};

TEST(CliForms, EachFormWritesWhatTheTrustedOneDoes) {
  TempDir fixtures;
  const RasterImage wide = test::MakeRandom24(451, 300, 5);
  SaveBmpFile(test::MakeRandom24(41, 29, 17), fixtures.File("in.bmp"));
  SaveBmpFile(wide, fixtures.File("wide.bmp"));
  ASSERT_EQ(
      RunCommand(
          "cd " + Q(fixtures.Path()) +
          " && convert in.bmp -write photo.jpg -write pic.gif -resize 32x32! icon.ico && cp in.bmp ./-x.bmp"),
      0);
  std::vector<uint8_t> cut = ReadBytes(fixtures.File("in.bmp"));
  cut.resize(100);
  WriteBytes(fixtures.File("bad.bmp"), cut);
  WriteBytes(fixtures.File("ten.raw"), std::vector<uint8_t>(10, 7));
  WriteBytes(fixtures.File("not.wbmp"), {0, 1, 1, 1, 0});

  const std::vector<Form> forms = {
      // Names beside numbers, --key=value, short options.
      {"@ apply dither floyd-steinberg --threshold=90 in.bmp a.bmp && @ apply dither 2 --threshold 90 in.bmp "
       "b.bmp",
       0,
       "",
       "",
       {{"a_R.bmp", "b_R.bmp"}, {"a_I.bmp", "b_I.bmp"}}},
      {"@ apply convolve sobel-edge --channel=hsi in.bmp a.bmp && @ apply convolve 9 --channel 7 in.bmp "
       "b.bmp",
       0,
       "",
       "",
       {{"a.bmp", "b.bmp"}}},
      {"@ apply edge homogeneity --channel r --bias=5 in.bmp a.wbmp && @ apply edge 1 --channel 0 --bias 5 "
       "in.bmp "
       "b.wbmp",
       0,
       "",
       "",
       {{"a.wbmp", "b.wbmp"}}},
      {"@ apply pixel-format 4bit in.bmp a.bmp && @ apply pixel-format 2 in.bmp b.bmp && @ apply mirror "
       "horizontal "
       "in.bmp c.bmp && @ apply mirror 1 in.bmp d.bmp && @ apply etc-model Monochrome in.bmp e.bmp && @ "
       "apply "
       "etc-model 1 in.bmp f.bmp",
       0,
       "",
       "",
       {{"a.bmp", "b.bmp"}, {"c.bmp", "d.bmp"}, {"e.bmp", "f.bmp"}}},
      {"@ wizard --mode detail --source drawing --result various in.bmp a && @ wizard --mode 1 --source 1 "
       "--result 1 in.bmp b && @ wizard -q in.bmp c | wc -c",
       0,
       "b/15_Conv_HSI_Dither_I.wbmp\n0\n",
       "",
       {{"a/04_Dither_R.wbmp", "b/04_Dither_R.wbmp"}}},
      // One channel of the four.
      {"@ apply dither stucki --channel i in.bmp one.bmp && @ apply dither 4 in.bmp four.bmp",
       0,
       "",
       "",
       {{"one.bmp", "four_I.bmp"}}},
      // Fit and resize: 451 x 300 into 128 x 64 is 96 x 64.
      {"@ convert --fit 128x64 wide.bmp f.bmp && @ info f.bmp && @ apply rotate90 --resize 10x400 wide.bmp "
       "r.bmp "
       "&& @ info r.bmp && @ convert --fit 1000x1000 in.bmp n.bmp && @ convert in.bmp m.bmp",
       0,
       "96 64 32\n400 10 32\n",
       "",
       {{"n.bmp", "m.bmp"}}},
      // Several files at once: the good ones are written as one at a time writes them.
      {"@ convert photo.jpg one.wbmp && @ convert -o out --to wbmp -j 3 in.bmp bad.bmp photo.jpg pic.gif",
       1,
       "",
       "tessalin-cli: bad.bmp: ",
       {{"out/photo.wbmp", "one.wbmp"}}},
      {"@ apply dither jarvis-judice-ninke -j2 -o d --to gif in.bmp ./-x.bmp && @ apply dither 3 in.bmp "
       "s.gif",
       0,
       "",
       "",
       {{"d/in_G.gif", "s_G.gif"}, {"d/-x_I.gif", "s_I.gif"}}},
      {"@ convert -o out --to wbmp in.bmp pic.gif photo.jpg icon.ico && @ convert -o seq -j 1 --to wbmp "
       "in.bmp "
       "pic.gif "
       "photo.jpg icon.ico",
       0,
       "",
       "",
       {{"out/in.wbmp", "seq/in.wbmp"},
        {"out/pic.wbmp", "seq/pic.wbmp"},
        {"out/icon.wbmp", "seq/icon.wbmp"}}},
      {"@ convert -o o --to wbmp in.bmp ./in.bmp",
       2,
       "",
       "in.bmp and ./in.bmp would both write o/in.wbmp",
       {}},
      // Pipes, and -- before a file that looks like an option.
      {"cat photo.jpg | @ convert - - --to wbmp > s.wbmp && @ convert photo.jpg f.wbmp",
       0,
       "",
       "",
       {{"s.wbmp", "f.wbmp"}}},
      {"cat pic.gif | @ convert - s.bmp && @ convert pic.gif f.bmp && cat icon.ico | @ convert - i.bmp && @ "
       "convert "
       "icon.ico j.bmp",
       0,
       "",
       "",
       {{"s.bmp", "f.bmp"}, {"i.bmp", "j.bmp"}}},
      {"@ convert in.bmp s.wbmp && @ convert --from wbmp - - --to bmp < s.wbmp > b.bmp && @ convert s.wbmp "
       "f.bmp",
       0,
       "",
       "",
       {{"b.bmp", "f.bmp"}}},
      {"@ convert in.bmp s.wbmp && @ info - < s.wbmp",
       1,
       "",
       "standard input: its first bytes match no format",
       {}},
      {"@ info -- -x.bmp", 0, "41 29 24\n", "", {}},
      // Its own words, never a message box's; -q keeps notes back but not errors.
      {"@ info in.pcx", 1, "", "tessalin-cli: in.pcx: cannot read .pcx files; it reads .bmp", {}},
      {"@ convert not.wbmp x.bmp", 1, "", "tessalin-cli: not.wbmp: not a WBMP file", {}},
      {"@ info --raw 3x3x8 ten.raw",
       0,
       "3 3 24\n",
       "ten.raw: --raw 3x3x8 reads the first 9 of its 10 bytes",
       {}},
      {"@ info -q --raw 3x3x8 ten.raw 2>&1", 0, "3 3 24\n", "", {}},
      // Help for every command; usage errors say what was expected.
      {"@ apply dither --help", 0, "floyd-steinberg (2)", "", {}},
      {"@ apply convolve -h", 0, "prewitt-edge (11)", "", {}},
      {"@ wizard --help", 0, "one-click (0)", "", {}},
      {"@ convert --help", 0, "--fit WxH", "", {}},
      {"@ apply dither riemersma in.bmp x.bmp",
       2,
       "",
       "use one of clustered-dot, clustered-dot-2, floyd-steinberg",
       {}},
      {"@ apply mirror 2 in.bmp x.bmp", 2, "", "use one of vertical, horizontal", {}},
      {"@ apply nosuch in.bmp x.bmp", 2, "", "the operations are channel, convolve, dither", {}},
      {"@ convert --fit 128 in.bmp x.bmp", 2, "", "is not WIDTHxHEIGHT", {}},
      {"@ apply dither 2 in.bmp - --to bmp", 2, "", "pick one with --channel", {}},
  };
  TempDir cases;
  int n = 0;
  for (const Form& f : forms) {
    SCOPED_TRACE(f.command);
    const std::string dir = cases.File("case" + std::to_string(n++));
    ASSERT_EQ(RunCommand("cp -r " + Q(fixtures.Path()) + "/. " + Q(dir + "/")), 0);
    std::string command = f.command;
    for (size_t at = command.find('@'); at != std::string::npos; at = command.find('@', at + 1))
      command.replace(at, 1, Q(TESSALIN_CLI_PATH));
    std::string out;
    const int status = RunCommand("cd " + Q(dir) + " && { " + command + " ; } 2> stderr.txt", &out);
    const std::vector<uint8_t> errBytes = ReadBytes(dir + "/stderr.txt");
    const std::string err(errBytes.begin(), errBytes.end());
    EXPECT_EQ(status, f.status) << err;
    EXPECT_NE(out.find(f.out), std::string::npos) << out;
    if (f.err.empty() && f.status == 0) {
      EXPECT_EQ(err, "");
    }
    EXPECT_NE(err.find(f.err), std::string::npos) << err;
    for (const char* boxText : {"Sorry", "ReTry", "Wap-Bitmap"})
      EXPECT_EQ(err.find(boxText), std::string::npos) << err;
    for (const auto& [made, trusted] : f.same) {
      ASSERT_TRUE(std::filesystem::exists(dir + "/" + made)) << made;
      EXPECT_EQ(ReadBytes(dir + "/" + made), ReadBytes(dir + "/" + trusted)) << made << " vs " << trusted;
    }
  }
  // The fit is the engine's reduction by one factor for both directions, 300 / 64.
  RasterImage fitted = LoadBmpFile(cases.File("case6/f.bmp"));
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), fitted);
  EXPECT_TRUE(test::SamePixels24(fitted, ReduceImage(wide, 4.6875, 4.6875)));
}

}  // namespace
}  // namespace tessalin
