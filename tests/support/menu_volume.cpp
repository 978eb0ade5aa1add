#include "tests/support/menu_volume.h"

#include <filesystem>
#include <fstream>

#include "tests/support/real_titles.h"

namespace vm::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDescription =
    "v2 menu jumps: vmgm 4 buttons, vtsm 4 buttons to chapters 2 3 4 and title 2, title 1 8s "
    "chapters 0 2 4 6, title 2 1s with a button to title 1 chapter 4, post jump title 1 "
    "chapter 3\n";

// Four white boxes down the left side: the buttons' highlight.
constexpr const char* kHighlight =
    "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
    "\"color=c=0x00000000:s=352x480,format=rgba,"
    "drawbox=x=20:y=40:w=80:h=40:color=white:t=fill,"
    "drawbox=x=20:y=120:w=80:h=40:color=white:t=fill,"
    "drawbox=x=20:y=200:w=80:h=40:color=white:t=fill,"
    "drawbox=x=20:y=280:w=80:h=40:color=white:t=fill\" -frames:v 1 hl.png";

constexpr const char* kButtons =
    "<subpictures><stream><spu start=\"00:00:00.00\" force=\"yes\" highlight=\"hl.png\" "
    "select=\"hl.png\">\n"
    "<button name=\"b1\" x0=\"20\" y0=\"40\" x1=\"100\" y1=\"80\"/>\n"
    "<button name=\"b2\" x0=\"20\" y0=\"120\" x1=\"100\" y1=\"160\"/>\n"
    "<button name=\"b3\" x0=\"20\" y0=\"200\" x1=\"100\" y1=\"240\"/>\n"
    "<button name=\"b4\" x0=\"20\" y0=\"280\" x1=\"100\" y1=\"320\"/>\n"
    "</spu></stream></subpictures>\n";

// Title 2's own button: the first box alone.
constexpr const char* kTitleButton =
    "<subpictures><stream><spu start=\"00:00:00.00\" force=\"yes\" highlight=\"hl.png\" "
    "select=\"hl.png\">\n"
    "<button name=\"b1\" x0=\"20\" y0=\"40\" x1=\"100\" y1=\"80\"/>\n"
    "</spu></stream></subpictures>\n";

constexpr const char* kVolume =
    "<dvdauthor dest=\"dvd\">\n"
    "<vmgm><menus><pgc pause=\"inf\">\n"
    "<button name=\"b1\">jump titleset 1 menu;</button>\n"
    "<button name=\"b2\">jump title 1;</button>\n"
    "<button name=\"b3\">jump title 2;</button>\n"
    "<button name=\"b4\">jump title 1;</button>\n"
    "<vob file=\"menu.mpg\"/></pgc></menus></vmgm>\n"
    "<titleset><menus><pgc entry=\"root\" pause=\"inf\">\n"
    "<button name=\"b1\">jump title 1 chapter 2;</button>\n"
    "<button name=\"b2\">jump title 1 chapter 3;</button>\n"
    "<button name=\"b3\">jump title 1 chapter 4;</button>\n"
    "<button name=\"b4\">jump title 2;</button>\n"
    "<vob file=\"menu.mpg\"/></pgc></menus>\n"
    "<titles><video format=\"ntsc\"/>\n"
    "<pgc><vob file=\"t1.mpg\" chapters=\"0:00:00,0:00:02,0:00:04,0:00:06\"/>"
    "<post>call vmgm menu;</post></pgc>\n"
    "<pgc><button name=\"b1\">jump title 1 chapter 4;</button><vob file=\"t2b.mpg\"/>"
    "<post>jump title 1 chapter 3;</post></pgc>\n"
    "</titles></titleset></dvdauthor>\n";

bool Build(const void*, const std::string& tmp) {
  const std::string work = tmp + "work/";
  std::error_code ec;
  fs::create_directories(work, ec);
  if (ec) return false;
  if (!EncodeSmallClip(work, "t1.mpg", kMenuTitle1Seconds) || !EncodeSmallClip(work, "t2.mpg", 1) ||
      !EncodeSmallClip(work, "menu0.mpg", 1) || !RunInFolder(work, kHighlight))
    return false;
  std::ofstream(work + "spu.xml") << kButtons;
  std::ofstream(work + "title_spu.xml") << kTitleButton;
  if (!RunInFolder(work, "VIDEO_FORMAT=NTSC spumux -m dvd spu.xml < menu0.mpg > menu.mpg") ||
      !RunInFolder(work, "VIDEO_FORMAT=NTSC spumux title_spu.xml < t2.mpg > t2b.mpg"))
    return false;
  std::ofstream(work + "dvd.xml") << kVolume;
  if (!RunInFolder(work, "VIDEO_FORMAT=NTSC dvdauthor -x dvd.xml")) return false;
  fs::rename(work + "dvd", tmp + "dvd", ec);
  return !ec;
}

}  // namespace

std::string MenuJumpVolume() { return CachedVolume("menu-jumps", kDescription, Build, nullptr); }

}  // namespace vm::testing
