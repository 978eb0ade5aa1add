// Fuzzes the jump walk and rewrite: the first 2048 bytes are a menu VOB's
// navigation pack, the rest an information file. Every command and button
// decodes and encodes back to its bytes; remapping a pack's buttons changes
// nothing outside their command bytes; the walk over any model the reader
// takes stays inside it.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "author/jump_rewrite.h"
#include "dvd/jump_walk.h"
#include "dvd/pci_buttons.h"

namespace {

// A title set 1 where every chapter, program and cell moved up by one and
// every third chapter's start was removed.
const vm::TitleSetRenumber& ShiftedMap() {
  static vm::TitleSetRenumber* map = [] {
    auto* m = new vm::TitleSetRenumber();
    m->vtsNumber = 1;
    m->titleCount = vm::kRenumberMaxTitles;
    m->pgcCount = vm::kRenumberMaxPgcs;
    for (int t = 1; t <= vm::kRenumberMaxTitles; ++t) {
      m->title[t].oldPtts = vm::kRenumberMaxPtts;
      for (int i = 1; i <= vm::kRenumberMaxPtts; ++i) {
        m->title[t].newPtt[i] = static_cast<uint16_t>(i + 1);
        m->title[t].pttRemoved[i] = i % 3 == 0;
      }
    }
    for (int p = 1; p <= vm::kRenumberMaxPgcs; ++p) {
      m->pgc[p].oldPrograms = vm::kRenumberMaxPrograms;
      m->pgc[p].oldCells = vm::kRenumberMaxCells;
      for (int i = 1; i <= vm::kRenumberMaxPrograms; ++i) {
        m->pgc[p].newProgram[i] = static_cast<uint16_t>(i + 1);
        m->pgc[p].newCell[i] = static_cast<uint16_t>(i + 1);
      }
    }
    return m;
  }();
  return *map;
}

void RoundTrip(const uint8_t* bytes) {
  uint8_t out[vm::kVmCommandBytes];
  vm::EncodeVmCommand(vm::DecodeVmCommand(bytes), out);
  if (std::memcmp(out, bytes, vm::kVmCommandBytes) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto* model = new vm::dvd::IfoModel();
  static auto* cells = new vm::MenuCellIndex();
  if (size < static_cast<size_t>(vm::dvd::kPackBytes)) return 0;
  uint8_t pack[vm::dvd::kPackBytes];
  std::memcpy(pack, data, sizeof pack);

  cells->count = 0;
  vm::dvd::IfoStatus st;
  const bool haveModel = vm::dvd::ReadIfo(data + sizeof pack, size - sizeof pack, *model, st);
  if (haveModel) {
    vm::ForEachIfoCommand(*model, 1, [](const vm::JumpSite&, uint8_t* b) { RoundTrip(b); });
    vm::IndexMenuCells(*model, *cells);
    vm::JumpReport report;
    vm::ForEachIfoCommand(*model, 1, [&](const vm::JumpSite& site, uint8_t* b) {
      vm::RewriteJump(b, site, ShiftedMap(), report);
    });
  }

  vm::ForEachPackButton(pack, sizeof pack, [](int, int, uint8_t* c) { RoundTrip(c); });
  const vm::JumpSite site = vm::MenuPackSite(pack, *cells, 1, 0);
  vm::JumpReport report;
  vm::RewriteNavPackButtons(pack, sizeof pack, site, ShiftedMap(), report);
  for (size_t i = 0; i < sizeof pack; ++i) {
    if (pack[i] == data[i]) continue;
    const long inTable = static_cast<long>(i) - vm::kHliInPack - vm::kBtnIt;
    if (inTable < 0 || inTable % vm::kBtnItEntryBytes < vm::kBtnCommand) std::abort();
  }
  (void)vm::JumpReportText(report);
  return 0;
}
