// Where a command of the DVD virtual machine sits on a volume: the domain
// and program chain whose pre, post or cell command table holds it, or the
// menu button (of which navigation pack) that carries it.
#pragma once

#include <cstdint>
#include <string>

namespace vm {

enum class JumpDomain : uint8_t { FirstPlay, VmgMenu, VtsMenu, Title };
enum class JumpSource : uint8_t { Pre, Post, Cell, Button };

// Where a command sits.
struct JumpSite {
  JumpDomain domain = JumpDomain::Title;
  int vts = 0;          // title set of a VTS menu or title domain; 0 for the VMG
  int language = 0;     // menus: 1-based language unit
  int pgc = 0;          // 1-based program chain of its table (or language unit)
  int vtsTitle = 0;     // title domain: the title of the set the program chain plays (0 none)
  JumpSource source = JumpSource::Pre;
  int number = 0;       // 1-based command or button number
  int buttonGroup = 0;  // buttons: 1-based group when the menu has several, else 0
  uint32_t navSector = 0;  // buttons: the navigation pack's sector in its VOB file
};

// "VMG menu (language 1) PGC 2, pre command 3" and the like.
std::string JumpSiteName(const JumpSite& site);

}  // namespace vm
