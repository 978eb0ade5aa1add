#include "author/jump_rewrite.h"

#include <cstring>

#include "dvd/pci_buttons.h"

namespace vm {

bool RewriteJump(uint8_t bytes[kVmCommandBytes], const JumpSite& site,
                 const TitleSetRenumber& map, JumpReport& report) {
  uint8_t before[kVmCommandBytes];
  std::memcpy(before, bytes, kVmCommandBytes);
  const JumpRemapResult r = RemapJump(bytes, site, map);
  std::string line = JumpReportLine(site, r);
  if (!line.empty()) report.lines.push_back(std::move(line));
  const bool changed = std::memcmp(before, bytes, kVmCommandBytes) != 0;
  if (changed) ++report.rewritten;
  return changed;
}

bool RewriteNavPackButtons(uint8_t* pack, size_t size, const JumpSite& site,
                           const TitleSetRenumber& map, JumpReport& report) {
  PciHighlight h;
  if (!ReadPciHighlight(pack, size, h) || h.status == 0) return false;
  bool changed = false;
  const int groups = PciButtonGroups(h);
  for (int g = 1; g <= groups; ++g) {
    for (int n = 1;; ++n) {
      const int slot = PciButtonSlot(h, g, n);
      if (slot < 0) break;
      JumpSite at = site;
      at.source = JumpSource::Button;
      at.number = n;
      at.buttonGroup = groups > 1 ? g : 0;
      changed = RewriteJump(h.button[slot].command, at, map, report) || changed;
    }
  }
  // Only the button commands are written back: every other byte of the
  // pack stays as it was.
  if (changed) {
    uint8_t* entries = pack + kHliInPack + kBtnIt;
    for (int i = 0; i < kBtnItButtons; ++i)
      std::memcpy(entries + i * kBtnItEntryBytes + kBtnCommand, h.button[i].command, kVmCommandBytes);
  }
  return changed;
}

std::string JumpReportText(const JumpReport& report) {
  std::string text = "Menu and command jumps: " + std::to_string(report.rewritten) +
                     " rewritten to the new chapter numbers";
  if (report.lines.empty()) return text + ".";
  text += "; " + std::to_string(report.lines.size()) + " to note:";
  for (const std::string& l : report.lines) text += "\n" + l;
  return text;
}

}  // namespace vm
