// Help: which browser the first line of IE.TXT names, the message when it
// names nothing, and the browser started on the manual without a shell.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <string>

#include "app/help_command.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(HelpCommand, BrowserFromTheFirstLineOfIeTxt) {
  const std::string longest(254, 'b');
  struct Case {
    const char* name;
    bool present;  // IE.TXT exists
    std::string file;
    std::string expected;
  };
  const Case cases[] = {
      {"no IE.TXT", false, "", kDefaultBrowser},
      {"empty file", true, "", kDefaultBrowser},
      {"blank first line", true, "\n/opt/other\n", kDefaultBrowser},
      {"spaces only", true, "   \r\n", kDefaultBrowser},
      {"surrounding blanks, CR LF", true, "  /opt/web browser/run \t\r\nsecond\r\n",
       "/opt/web browser/run"},
      {"LF, no trailing blanks", true, "/usr/bin/firefox\n", "/usr/bin/firefox"},
      {"no line end", true, "/usr/bin/firefox", "/usr/bin/firefox"},
      {"byte-order mark", true, "\xEF\xBB\xBF/usr/bin/firefox\r\n", "/usr/bin/firefox"},
      {"254 characters after a mark", true, "\xEF\xBB\xBF" + longest + "\r\n", longest},
      {"255 characters: no usable browser", true, longest + "b\n", ""},
      {"1000 characters: no usable browser", true, std::string(1000, 'c'), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (c.present) {
      ASSERT_TRUE(WriteFile(dir / "IE.TXT", c.file));
    }
    Path browser;
    HelpBrowserPath(dir.path().c_str(), browser);
    EXPECT_EQ(std::string(browser.c_str()), c.expected);
  }
  Path manual;
  HelpManualPath("/opt/vobmarks/", manual);
  EXPECT_STREQ(manual.c_str(), "/opt/vobmarks/usage.txt");
}

TEST(HelpCommand, MissingBrowserIsReportedAndAFoundOneIsStarted) {
  TempDir dir;
  const std::string folder = dir / "program folder/";  // a space: no shell in between
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);

  ASSERT_TRUE(WriteFile(folder + "IE.TXT", folder + "no-browser\n"));
  std::string title, text;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle().toStdString();
    text = box->text().toStdString();
    box->done(QMessageBox::Ok);
  });
  RunHelp(nullptr, folder.c_str());
  EXPECT_EQ(title, "Error");
  EXPECT_EQ(text,
            "Web browser is not found.\nDescribe the browser exec file name(full path) in the "
            "\"IE.TXT\" file, and push the help button again.\n\n  e.g. /usr/bin/firefox\n\n"
            "Locate the \"IE.TXT\" file in the same folder with \"vobmarks\".");

  const std::string browser = folder + "browser";
  const std::string record = dir / "started";
  ASSERT_TRUE(WriteFile(browser, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + record + ".tmp'\n"
                                 "mv '" + record + ".tmp' '" + record + "'\n"));
  ASSERT_EQ(chmod(browser.c_str(), 0755), 0);
  ASSERT_TRUE(WriteFile(folder + "IE.TXT", "  " + browser + "  \n"));
  RunHelp(nullptr, folder.c_str());
  for (int i = 0; i < 500 && access(record.c_str(), F_OK) != 0; ++i) usleep(10000);
  EXPECT_EQ(ReadFile(record), "1|" + folder + "usage.txt");
}

}  // namespace
}  // namespace vm
