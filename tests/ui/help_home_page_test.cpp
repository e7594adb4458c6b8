// BrowserCommand's lookup and cleaning, OpenHomePage's DDE conversations and
// fallback, and the help command's search, viewers and message, against fakes
// and once through F1 in the frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTest>
#include <QtGlobal>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/help.h"
#include "app/home_page.h"
#include "app/main_frame.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"

namespace tessalin {
namespace {

class FakeRegistry : public ClassesRegistry {
 public:
  std::optional<std::string> DefaultValue(const std::string& key) override {
    asked.push_back(key);
    const auto it = keys.find(key);
    if (it == keys.end()) return std::nullopt;
    return it->second;
  }
  std::map<std::string, std::string> keys;
  std::vector<std::string> asked;
};

// Every call is written to one log, so that the order of a conversation shows.
class FakeDde : public DdeClient {
 public:
  std::set<std::string> servers;               // "service|topic" that accept a connection
  std::set<std::string> startedServers;        // ... that accept only once the service program ran
  std::map<std::string, std::string> answers;  // item -> data
  std::vector<std::string> log;
  bool programStarted = false;

  class Conversation : public DdeConversation {
   public:
    explicit Conversation(FakeDde& dde) : dde_(dde) {}
    bool Connect(const std::string& service, const std::string& topic) override {
      const std::string key = service + "|" + topic;
      dde_.log.push_back("connect " + key);
      return dde_.servers.count(key) || (dde_.programStarted && dde_.startedServers.count(key));
    }
    std::optional<std::string> Request(const std::string& item, int timeoutMs) override {
      dde_.log.push_back("request " + item + " " + std::to_string(timeoutMs));
      const auto it = dde_.answers.find(item);
      if (it == dde_.answers.end()) return std::nullopt;
      return it->second;
    }
    void Disconnect() override { dde_.log.push_back("disconnect"); }

   private:
    FakeDde& dde_;
  };
  std::unique_ptr<DdeConversation> OpenConversation() override {
    return std::make_unique<Conversation>(*this);
  }
};

class FakeProcesses : public ProcessStarter {
 public:
  explicit FakeProcesses(FakeDde* dde = nullptr) : dde_(dde) {}
  struct Started {
    std::string program;
    std::vector<std::string> arguments;
    WindowShow show;
  };
  bool Start(const std::string& program, const std::vector<std::string>& arguments,
             WindowShow show) override {
    started.push_back({program, arguments, show});
    if (dde_) {
      dde_->programStarted = true;
      dde_->log.push_back("start " + program);
    }
    return true;
  }
  std::vector<Started> started;

 private:
  FakeDde* dde_;
};

const std::string kUrl = kHomePageUrl;

TEST(BrowserCommand, QuotedPathWithArgumentsBecomesTheBarePath) {
  FakeRegistry registry;
  registry.keys[".HTM\\shell\\open\\command"] = "\"C:\\Program Files\\Browser\\browse.exe\" %1";
  EXPECT_EQ(BrowserCommand(registry, "HTM"), "C:\\Program Files\\Browser\\browse.exe");
}

TEST(BrowserCommand, CleaningStepsInOrder) {
  FakeRegistry registry;
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/bin/firefox %u", "/usr/bin/firefox"},       // percent and what follows, then blanks
      {"browser   ", "browser"},                         // trailing blanks only
      {"\"C:\\a b\\x.exe\" -nohome", "C:\\a b\\x.exe"},  // closing quote cuts the rest
      {"C:\\x.exe \"%1\"", "C:\\x.exe"},                 // % first, then the stray quote
      {"\"unclosed path", "unclosed path"},              // opening quote alone
      {"%1", ""},
      {"", ""},
  };
  for (const auto& [registered, expected] : cases) {
    registry.keys[".HTM\\shell\\open\\command"] = registered;
    EXPECT_EQ(BrowserCommand(registry, "HTM"), expected) << registered;
  }
}

TEST(BrowserCommand, FallsBackToTheFileTypesCommand) {
  FakeRegistry registry;
  registry.keys[".HTM"] = "htmlfile";
  registry.keys["htmlfile\\shell\\open\\command"] = "\"C:\\IE\\IEXPLORE.EXE\" -nohome";
  EXPECT_EQ(BrowserCommand(registry, "HTM"), "C:\\IE\\IEXPLORE.EXE");
  EXPECT_EQ(registry.asked, (std::vector<std::string>{".HTM\\shell\\open\\command", ".HTM",
                                                      "htmlfile\\shell\\open\\command"}));
}

TEST(BrowserCommand, NothingRegisteredGivesEmpty) {
  FakeRegistry registry;
  EXPECT_EQ(BrowserCommand(registry, "HTM"), "");
  registry.keys[".HTM"] = "";  // a type key without a type name: no further lookup
  EXPECT_EQ(BrowserCommand(registry, "HTM"), "");
  EXPECT_EQ(registry.asked.back(), ".HTM");
  registry.keys[".HTM"] = "htmlfile";  // a type without an open command
  EXPECT_EQ(BrowserCommand(registry, "HTM"), "");
}

TEST(OpenHomePage, OtherBrowserIsStartedWithTheUrlInItsOwnCase) {
  FakeRegistry registry;
  registry.keys[".HTM\\shell\\open\\command"] = "/usr/lib/firefox-esr/firefox-esr %u";
  FakeDde dde;
  FakeProcesses processes;
  HomePageShell shell{registry, dde, processes};
  OpenHomePage(shell);
  EXPECT_TRUE(dde.log.empty());
  ASSERT_EQ(processes.started.size(), 1u);
  EXPECT_EQ(processes.started[0].program, "/usr/lib/firefox-esr/firefox-esr");
  EXPECT_EQ(processes.started[0].arguments, std::vector<std::string>{kUrl});
  EXPECT_EQ(processes.started[0].show, WindowShow::Normal);
}

TEST(OpenHomePage, NoBrowserStartsJustTheUrl) {
  FakeRegistry registry;
  FakeDde dde;
  FakeProcesses processes;
  HomePageShell shell{registry, dde, processes};
  OpenHomePage(shell);
  ASSERT_EQ(processes.started.size(), 1u);
  EXPECT_EQ(processes.started[0].program, "");
  EXPECT_EQ(processes.started[0].arguments, std::vector<std::string>{kUrl});
}

TEST(OpenHomePage, NetscapeOpensAndActivatesThroughDde) {
  FakeRegistry registry;
  registry.keys[".HTM\\shell\\open\\command"] = "\"C:\\Netscape\\Program\\netscape.exe\" -h \"%1\"";
  FakeDde dde;
  dde.servers = {"Netscape|WWW_OpenURL", "Netscape|WWW_Activate"};
  dde.answers = {{kUrl + ",,0x0, 0x0", "1"}, {"0xFFFFFFFF,0x0", "1"}};
  FakeProcesses processes(&dde);
  HomePageShell shell{registry, dde, processes};
  OpenHomePage(shell);
  EXPECT_EQ(dde.log, (std::vector<std::string>{
                         "connect Netscape|WWW_OpenURL", "request " + kUrl + ",,0x0, 0x0 10000",
                         "connect Netscape|WWW_Activate", "request 0xFFFFFFFF,0x0 10000", "disconnect"}));
  EXPECT_TRUE(processes.started.empty());
}

TEST(OpenHomePage, NetscapeNotRunningIsStartedMinimisedThenAskedAgain) {
  FakeRegistry registry;
  registry.keys[".HTM\\shell\\open\\command"] = "C:\\Netscape\\NETSCAPE.EXE %1";
  FakeDde dde;
  dde.startedServers = {"Netscape|WWW_OpenURL", "Netscape|WWW_Activate"};
  dde.answers = {{kUrl + ",,0x0, 0x0", "1"}, {"0xFFFFFFFF,0x0", "1"}};
  FakeProcesses processes(&dde);
  HomePageShell shell{registry, dde, processes};
  OpenHomePage(shell);
  ASSERT_EQ(processes.started.size(), 1u);
  // The service program is the executable's path without ".EXE".
  EXPECT_EQ(processes.started[0].program, "C:\\Netscape\\NETSCAPE");
  EXPECT_TRUE(processes.started[0].arguments.empty());
  EXPECT_EQ(processes.started[0].show, WindowShow::MinimizedNoActivate);
  ASSERT_GE(dde.log.size(), 3u);
  EXPECT_EQ(dde.log[0], "connect Netscape|WWW_OpenURL");
  EXPECT_EQ(dde.log[1], "start C:\\Netscape\\NETSCAPE");
  EXPECT_EQ(dde.log[2], "connect Netscape|WWW_OpenURL");
  EXPECT_EQ(dde.log.back(), "disconnect");
}

TEST(OpenHomePage, InternetExplorerUsesItsOwnItems) {
  FakeRegistry registry;
  registry.keys[".HTM"] = "htmlfile";
  registry.keys["htmlfile\\shell\\open\\command"] = "\"C:\\Program Files\\IE\\iexplore.exe\" -nohome";
  FakeDde dde;
  dde.servers = {"iexplore|WWW_OpenURL", "iexplore|WWW_Activate"};
  dde.answers = {{kUrl + ",,0", "1"}, {"0,0", "1"}};
  FakeProcesses processes(&dde);
  HomePageShell shell{registry, dde, processes};
  OpenHomePage(shell);
  EXPECT_EQ(dde.log,
            (std::vector<std::string>{"connect iexplore|WWW_OpenURL", "request " + kUrl + ",,0 10000",
                                      "connect iexplore|WWW_Activate", "request 0,0 10000", "disconnect"}));
  EXPECT_TRUE(processes.started.empty());
}

TEST(OpenHomePage, EveryDdeFailureFallsBackToStartingTheBrowser) {
  const std::string command = "C:\\IE\\iexplore.exe";
  struct Case {
    std::set<std::string> servers;
    std::map<std::string, std::string> answers;
  };
  const Case cases[] = {
      {{}, {}},                                                                    // no server at all
      {{"iexplore|WWW_OpenURL", "iexplore|WWW_Activate"}, {}},                     // no answer to the URL
      {{"iexplore|WWW_OpenURL"}, {{kUrl + ",,0", "1"}}},                           // activation refused
      {{"iexplore|WWW_OpenURL", "iexplore|WWW_Activate"}, {{kUrl + ",,0", "1"}}},  // activation unanswered
  };
  for (const Case& c : cases) {
    FakeRegistry registry;
    registry.keys[".HTM\\shell\\open\\command"] = command;
    FakeDde dde;
    dde.servers = c.servers;
    dde.answers = c.answers;
    FakeProcesses processes;  // starting the service program does not help here
    HomePageShell shell{registry, dde, processes};
    OpenHomePage(shell);
    ASSERT_FALSE(processes.started.empty());
    EXPECT_EQ(processes.started.back().program, command);
    EXPECT_EQ(processes.started.back().arguments, std::vector<std::string>{kUrl});
    EXPECT_EQ(processes.started.back().show, WindowShow::Normal);
    EXPECT_EQ(dde.log.back(), "disconnect");
  }
}

// A viewer that shows what it is able to: compiled help with a CHM viewer,
// pages with a browser. Records every document it was given.
class FakeHelpShell : public HelpViewerShell {
 public:
  bool RaiseWindowTitled(const std::string& title) override {
    raised.push_back(title);
    return viewerOpen;
  }
  bool OpenDocument(const std::string& path) override {
    opened.push_back(path);
    const bool compiled = path.size() > 4 && path.compare(path.size() - 4, 4, ".chm") == 0;
    const bool shown = compiled ? chmViewer : browser;
    viewerOpen = viewerOpen || shown;
    return shown;
  }
  bool chmViewer = false, browser = false, viewerOpen = false;
  std::vector<std::string> raised, opened;
};

TEST(HelpContents, LooksBesideTheProgramThenInTheShareFolder) {
  EXPECT_EQ(HelpFolders("/opt/tessalin/bin/"),
            (std::vector<std::string>{"/opt/tessalin/bin", "/opt/tessalin/share/tessalin"}));
  EXPECT_EQ(HelpFolders("/usr/bin"), (std::vector<std::string>{"/usr/bin", "/usr/share/tessalin"}));
}

TEST(HelpContents, OpensOneDocumentWithAViewerThatShowsItOrSaysWhereTheHelpIs) {
  test::TempDir dir;
  const std::string program = dir.File("bin"), share = dir.File("share");
  const std::string chm = program + "/Tessalin_v10b_Help.chm";
  const std::string pages = program + "/Tessalin_v10b_Help";
  const std::string sharePages = share + "/Tessalin_v10b_Help";
  std::filesystem::create_directories(pages);
  std::filesystem::create_directories(sharePages);
  struct Case {
    const char* name;
    bool chmBeside, pagesBeside, pagesShared, chmViewer, browser;
    std::vector<std::string> opened;
    std::string messageNames;  // empty: no message
  };
  const Case cases[] = {
      {"compiled, with a CHM viewer", true, true, false, true, true, {chm}, ""},
      {"compiled, browser only", true, true, false, false, true, {chm, pages + "/index.html"}, ""},
      {"pages beside the program", false, true, true, false, true, {pages + "/index.html"}, ""},
      {"pages installed only", false, false, true, true, true, {sharePages + "/index.html"}, ""},
      {"nothing to show them", true, true, false, false, false, {chm, pages + "/index.html"}, pages},
      {"no help anywhere", false, false, false, true, true, {}, share},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(chm);
    std::filesystem::remove(pages + "/index.html");
    std::filesystem::remove(sharePages + "/index.html");
    if (c.chmBeside) test::WriteBytes(chm, {'I', 'T', 'S', 'F'});
    if (c.pagesBeside) test::WriteBytes(pages + "/index.html", {'<'});
    if (c.pagesShared) test::WriteBytes(sharePages + "/index.html", {'<'});
    FakeHelpShell shell;
    shell.chmViewer = c.chmViewer;
    shell.browser = c.browser;
    test::FakeFramePrompts prompts;
    OpenHelpContents(shell, {program, share}, prompts);
    EXPECT_EQ(shell.opened, c.opened);
    if (c.messageNames.empty()) {
      EXPECT_TRUE(prompts.messages.empty());
    } else {
      ASSERT_EQ(prompts.messages.size(), 1u);
      EXPECT_NE(prompts.messages[0].find(c.messageNames), std::string::npos) << prompts.messages[0];
    }
  }
}

TEST(HelpContents, ASecondRequestRaisesTheOpenViewer) {
  test::TempDir dir;
  test::WriteBytes(dir.File("Tessalin_v10b_Help.chm"), {'I', 'T', 'S', 'F'});
  FakeHelpShell shell;
  shell.chmViewer = true;
  test::FakeFramePrompts prompts;
  OpenHelpContents(shell, {dir.Path()}, prompts);
  OpenHelpContents(shell, {dir.Path()}, prompts);
  EXPECT_EQ(shell.opened, std::vector<std::string>{dir.File("Tessalin_v10b_Help.chm")});
  EXPECT_EQ(shell.raised, (std::vector<std::string>{"Tessalin_v10b_Help", "Tessalin_v10b_Help"}));
  shell.viewerOpen = false;  // the user closed the viewer
  OpenHelpContents(shell, {dir.Path()}, prompts);
  EXPECT_EQ(shell.opened.size(), 2u);
}

// F1 in the frame, on a desktop with neither a help viewer nor a browser: a
// box names the folder of the help pages (copied beside the test program).
TEST(HelpContents, F1WithNothingToShowTheHelpSaysWhereItIs) {
  test::TempDir emptyPath;
  struct PathGuard {
    QByteArray saved = qgetenv("PATH");
    ~PathGuard() { qputenv("PATH", saved); }
  } restorePath;
  qputenv("PATH", QByteArray::fromStdString(emptyPath.Path()));
  qunsetenv("BROWSER");
  auto prompts = std::make_unique<test::FakeFramePrompts>();
  test::FakeFramePrompts* fake = prompts.get();
  TMain_Frm frame(std::move(prompts));
  frame.show();
  QApplication::setActiveWindow(&frame);
  QTest::keyClick(&frame, Qt::Key_F1);
  ASSERT_EQ(fake->messages.size(), 1u);
  const std::string pages =
      QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/Tessalin_v10b_Help";
  EXPECT_NE(fake->messages[0].find("No help viewer or web browser"), std::string::npos) << fake->messages[0];
  EXPECT_NE(fake->messages[0].find(pages), std::string::npos) << fake->messages[0];
}

TEST(DesktopBrowser, ExecLineOfTheDesktopEntryGroup) {
  const std::string entry =
      "[Desktop Action new-window]\nExec=/usr/bin/browser --new-window\n\n"
      "[Desktop Entry]\r\nName=Browser\r\nExec=/usr/bin/browser %u\r\nType=Application\r\n";
  EXPECT_EQ(DesktopEntryExec(entry), "/usr/bin/browser %u");
  EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nName=x\n"), "");
  EXPECT_EQ(DesktopEntryExec("Exec=outside a group\n"), "");
}

TEST(DesktopBrowser, TheRegistryAnswersHtmWithTheDefaultBrowser) {
  qputenv("BROWSER", QByteArray("/usr/bin/some-browser:/usr/bin/other"));
  EXPECT_EQ(DesktopBrowserExec(), "/usr/bin/some-browser");
  EXPECT_EQ(BrowserCommand(DesktopRegistry(), "HTM"), "/usr/bin/some-browser");
  EXPECT_EQ(DesktopRegistry().DefaultValue(".bmp\\shell\\open\\command"), std::nullopt);
  qunsetenv("BROWSER");
}

}  // namespace
}  // namespace tessalin
