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
  bool changed = false;
  ForEachPackButton(pack, size, [&](int group, int button, uint8_t* command) {
    JumpSite at = site;
    at.source = JumpSource::Button;
    at.number = button;
    at.buttonGroup = group;
    changed = RewriteJump(command, at, map, report) || changed;
  });
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
