// A volume with menus whose buttons and commands jump into a title, made
// once with ffmpeg, spumux and dvdauthor (NTSC 352x480), for the tests of
// the command and button tables and of the jump rewriting:
// - the VMG menu (a still with four buttons): 1 "jump titleset 1 menu",
//   2 "jump title 1", 3 "jump title 2", 4 "jump title 1";
// - title set 1's root menu (a still with four buttons): 1, 2, 3 "jump title
//   1 chapter 2 / 3 / 4", 4 "jump title 2";
// - title 1: 8 seconds, chapters at 0, 2, 4 and 6 seconds, post command
//   "call vmgm menu"; title 2: 1 second, its own button "jump title 1
//   chapter 4", post command "jump title 1 chapter 3".
#pragma once

#include <string>

namespace vm::testing {

// The VIDEO_TS folder, ending in '/'; "" when the tools failed.
std::string MenuJumpVolume();

constexpr int kMenuTitle1Seconds = 8;
constexpr int kMenuTitle1ChapterSeconds[] = {0, 2, 4, 6};

}  // namespace vm::testing
