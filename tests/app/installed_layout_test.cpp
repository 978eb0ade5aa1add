// The program folder and the read-only files of an installed program, with a
// fake prefix in a temporary folder: the per-user folder is made (mode 0700)
// and nothing is ever written into the prefix; a build folder keeps its
// files beside the executable.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/startup.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::RunAndCapture;
using testing::RunCommand;
using testing::TempDir;
using testing::WriteFile;

// Sets or unsets the three variables for one case; restores them after.
class Environment {
 public:
  Environment(const char* vmHome, const char* xdg, const char* home) {
    for (int i = 0; i < 3; ++i) {
      const char* old = std::getenv(kNames[i]);
      saved_[i] = old ? old : "";
      had_[i] = old != nullptr;
    }
    Put("VOBMARKS_HOME", vmHome);
    Put("XDG_DATA_HOME", xdg);
    Put("HOME", home);
  }
  ~Environment() {
    for (int i = 0; i < 3; ++i) Put(kNames[i], had_[i] ? saved_[i].c_str() : nullptr);
  }

 private:
  static void Put(const char* name, const char* value) {
    if (value) setenv(name, value, 1); else unsetenv(name);
  }
  static constexpr const char* kNames[3] = {"VOBMARKS_HOME", "XDG_DATA_HOME", "HOME"};
  std::string saved_[3];
  bool had_[3];
};

int ModeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

std::string Listing(const std::string& folder) {
  return RunAndCapture("cd '" + folder + "' && find . | sort");
}

TEST(InstalledLayout, ProgramFolderByRule) {
  struct Case {
    const char* what;
    const char* exe;      // below the temporary root
    bool share;           // <root>/usr/share/vobmarks/ exists
    const char* vmHome;   // "@" stands for the root
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"installed, XDG_DATA_HOME", "usr/bin/vobmarks", true, nullptr, "@xdg", "@home",
       "@xdg/vobmarks/"},
      {"installed, XDG_DATA_HOME relative", "usr/bin/vobmarks", true, nullptr, "rel/x", "@home",
       "@home/.local/share/vobmarks/"},
      {"installed, XDG_DATA_HOME empty", "usr/bin/vobmarks", true, nullptr, "", "@home/",
       "@home/.local/share/vobmarks/"},
      {"installed, XDG_DATA_HOME unset", "usr/bin/vobmarks", true, nullptr, nullptr, "@home",
       "@home/.local/share/vobmarks/"},
      {"installed, VOBMARKS_HOME wins", "usr/bin/vobmarks", true, "@mine", "@xdg", "@home",
       "@mine/"},
      {"bin without share/vobmarks", "usr/bin/vobmarks", false, nullptr, "@xdg", "@home",
       "@usr/bin/"},
      {"build folder beside a share/vobmarks", "usr/build/vobmarks", true, nullptr, "@xdg",
       "@home", "@usr/build/"},
      {"a folder merely ending in bin", "usr/xbin/vobmarks", true, nullptr, "@xdg", "@home",
       "@usr/xbin/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir root;
    auto at = [&](const char* s) -> std::string {
      if (s == nullptr) return {};
      return s[0] == '@' ? root.path() + (s + 1) : s;
    };
    ASSERT_EQ(RunCommand("mkdir -p '" + root.path() + "usr/bin' '" + root.path() + "usr/build' '" +
                         root.path() + "usr/xbin' '" + root.path() + "home'"), 0);
    if (c.share) {
      ASSERT_EQ(RunCommand("mkdir -p '" + root.path() + "usr/share/vobmarks'"), 0);
    }
    const std::string vmHome = at(c.vmHome), xdg = at(c.xdg), home = at(c.home);
    Environment env(c.vmHome ? vmHome.c_str() : nullptr, c.xdg ? xdg.c_str() : nullptr,
                    c.home ? home.c_str() : nullptr);
    const std::string prefixBefore = Listing(root / "usr");
    Path folder;
    ASSERT_TRUE(ProgramFolderFor((root / c.exe).c_str(), folder));
    EXPECT_EQ(folder.c_str(), at(c.expected));
    EXPECT_EQ(Listing(root / "usr"), prefixBefore) << "written into the prefix";
    if (c.share && std::string(c.exe).rfind("usr/bin/", 0) == 0 && c.vmHome == nullptr) {
      EXPECT_EQ(ModeOf(folder.c_str()), 0700);
    }
  }
}

TEST(InstalledLayout, AnExistingPerUserFolderKeepsItsMode) {
  TempDir root;
  ASSERT_EQ(RunCommand("mkdir -p '" + root.path() + "bin' '" + root.path() +
                       "share/vobmarks' '" + root.path() + "xdg/vobmarks' && chmod 750 '" +
                       root.path() + "xdg/vobmarks'"), 0);
  Environment env(nullptr, (root / "xdg").c_str(), nullptr);
  Path folder;
  ASSERT_TRUE(ProgramFolderFor((root / "bin/vobmarks").c_str(), folder));
  EXPECT_EQ(folder.c_str(), root / "xdg/vobmarks/");
  EXPECT_EQ(ModeOf(folder.c_str()), 0750);
}

TEST(InstalledLayout, ReadOnlyFilesFromTheUserFirstThenThePrefix) {
  TempDir root;
  ASSERT_EQ(RunCommand("mkdir -p '" + root.path() + "p/bin' '" + root.path() +
                       "p/share/vobmarks' '" + root.path() + "user'"), 0);
  ASSERT_TRUE(WriteFile(root / "p/share/vobmarks/LOGO.BMP", "installed"));
  ASSERT_TRUE(WriteFile(root / "p/share/vobmarks/usage.txt", "installed"));
  ASSERT_TRUE(WriteFile(root / "user/usage.txt", "the user's"));
  const std::string installedExe = root / "p/bin/vobmarks";
  const std::string buildExe = root / "build/vobmarks";
  const std::string user = root / "user/";
  struct Case {
    const std::string* exe;
    const char* name;
    std::string expected;
  };
  const Case cases[] = {
      {&installedExe, "usage.txt", user + "usage.txt"},
      {&installedExe, "LOGO.BMP", root / "p/share/vobmarks/LOGO.BMP"},
      {&installedExe, "IE.TXT", user + "IE.TXT"},  // in neither: the program folder's path
      {&buildExe, "LOGO.BMP", user + "LOGO.BMP"},  // not installed: no look in any share
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(*c.exe) + " " + c.name);
    Path out;
    ASSERT_TRUE(ReadOnlyFileFor(c.exe->c_str(), user.c_str(), c.name, out));
    EXPECT_EQ(out.c_str(), c.expected);
  }
  Path out;
  EXPECT_TRUE(FindReadOnlyFile(user.c_str(), "usage.txt", out));
  EXPECT_EQ(out.c_str(), user + "usage.txt");
}

}  // namespace
}  // namespace vm
