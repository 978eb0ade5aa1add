// Shared set-up of the title tests: one tables instance for the program,
// reset before each use, and a synthetic title set in a fresh folder.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/recording_ui.h"
#include "tests/support/synth_title.h"
#include "tests/support/temp_dir.h"
#include "title/read_command.h"
#include "title/tables.h"

namespace vm {

inline TitleTables& FreshTables() {
  static TitleTables* t = new TitleTables();
  std::memset(static_cast<void*>(t), 0, sizeof *t);
  ResetTables(*t);
  return *t;
}

// A title set of one VOB file with `vobus` VOBUs of `packs` packs, one cell
// and one program starting at sector 0.
inline void WriteSimpleSet(const std::string& folder, int vobus = 3, int packs = 4) {
  testing::SynthTitleSet set(folder);
  set.WriteIfos({0});
  set.WriteVob("VTS_01_1.VOB", testing::EvenVobus(vobus, packs));
}

inline std::string Text(const testing::Bytes& b) { return std::string(b.begin(), b.end()); }

}  // namespace vm
