// tessalin-cli convert / info across the formats, with --raw and --frame.
#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace tessalin
