#include "dvd/jump_site.h"

#include <cstdio>

namespace vm {

std::string JumpSiteName(const JumpSite& site) {
  char where[96];
  switch (site.domain) {
    case JumpDomain::FirstPlay:
      std::snprintf(where, sizeof where, "First play PGC");
      break;
    case JumpDomain::VmgMenu:
      std::snprintf(where, sizeof where, "VMG menu (language %d) PGC %d", site.language, site.pgc);
      break;
    case JumpDomain::VtsMenu:
      std::snprintf(where, sizeof where, "VTS %d menu (language %d) PGC %d", site.vts,
                    site.language, site.pgc);
      break;
    case JumpDomain::Title:
      // A title's own button is known by its pack, not by a program chain.
      if (site.pgc == 0)
        std::snprintf(where, sizeof where, "VTS %d title VOBs", site.vts);
      else
        std::snprintf(where, sizeof where, "VTS %d title PGC %d", site.vts, site.pgc);
      break;
  }
  char what[64];
  switch (site.source) {
    case JumpSource::Pre:
      std::snprintf(what, sizeof what, "pre command %d", site.number);
      break;
    case JumpSource::Post:
      std::snprintf(what, sizeof what, "post command %d", site.number);
      break;
    case JumpSource::Cell:
      std::snprintf(what, sizeof what, "cell command %d", site.number);
      break;
    case JumpSource::Button:
      if (site.buttonGroup > 0)
        std::snprintf(what, sizeof what, "button %d of group %d (nav pack at sector %u)",
                      site.number, site.buttonGroup, site.navSector);
      else
        std::snprintf(what, sizeof what, "button %d (nav pack at sector %u)", site.number,
                      site.navSector);
      break;
  }
  return std::string(where) + ", " + what;
}

}  // namespace vm
