// Writes the manual page of vobmarks-cli from the command line's own tables
// of commands and options, so the page lists exactly what --help lists.
#include <cstdio>
#include <set>
#include <string>

#include "cli/options.h"
#include "common/version.h"

namespace {

// Text as roff reads it: backslashes and dashes escaped, and no line that
// starts with a control character.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

std::string OptionLine(const vm::OptionSpec& o) {
  std::string s = "\\fB" + Roff(o.name) + "\\fR";
  if (o.value != nullptr) s += " \\fI" + Roff(o.value) + "\\fR";
  return s;
}

std::string ManPage() {
  using namespace vm;
  std::set<Opt> perCommand;
  for (const CommandSpec& c : AllCommands())
    for (Opt id : c.options) perCommand.insert(id);

  std::string m;
  m += ".TH VOBMARKS\\-CLI 1 \"\" \"" + Roff(kVersionText) + "\" \"User Commands\"\n";
  m += ".SH NAME\nvobmarks\\-cli \\- re\\-author a DVD\\-Video title with new chapter points\n";
  m += ".SH SYNOPSIS\n";
  for (const CommandSpec& c : AllCommands()) {
    m += ".B vobmarks\\-cli\n[\\fB\\-\\-yes\\fR|\\fB\\-\\-no\\fR] \\fB" + Roff(c.name) + "\\fR \\fI" +
         Roff(c.args) + "\\fR" + (c.options.empty() ? "" : " [\\fIoptions\\fR]") + "\n.br\n";
  }
  m += ".SH DESCRIPTION\n"
       "The headless front end of VobMarks. It reads a single\\-title DVD\\-Video volume "
       "(a VIDEO_TS folder), or the title chosen with \\fB\\-\\-title\\fR \\fIN\\fR from a "
       "volume of several (\\fBtitles\\fR lists them), into a time list with one entry per "
       "video object unit, marks "
       "chapters, previews the first picture of an entry and writes a new VIDEO_TS folder "
       "with the VOB files cut into cells at the chapter points, without re\\-encoding.\n"
       ".PP\nMessages go to standard error as \"Error: \\&...\", \"Information: \\&...\" and "
       "\"Confirm: \\&... [y/N]\"; a question is answered from the terminal unless "
       "\\fB\\-\\-yes\\fR or \\fB\\-\\-no\\fR is given.\n";
  m += ".SH COMMANDS\n";
  for (const CommandSpec& c : AllCommands()) {
    m += ".TP\n\\fB" + Roff(c.name) + "\\fR \\fI" + Roff(c.args) + "\\fR\n" + Roff(c.summary) +
         ".\n";
    if (c.options.empty()) continue;
    m += ".RS\n";
    for (Opt id : c.options) {
      const OptionSpec* o = FindOption(id);
      if (o == nullptr) continue;
      m += ".TP\n" + OptionLine(*o) + "\n" + Roff(o->help) + "\n";
    }
    m += ".RE\n";
  }
  m += ".SH SCENE CUTS\n"
       "\\fB\\-\\-scenes\\fR, \\fB\\-\\-snap\\fR and \\fBscenes\\fR decode only the first "
       "picture of each VOBU, from its DC coefficients (one value per 8 x 8 block, no inverse "
       "transform), reading only the packs up to the end of that picture, and compare each "
       "small picture with the one before by its pattern (less brightness and contrast) and "
       "its colour histograms. A cut is a change well above the rolling level of the VOBUs "
       "around it, so steady motion, pans and fades are not cuts; of two cuts closer than "
       "\\fB\\-\\-min\\-gap\\fR the stronger stays, and at most 126 are marked, the "
       "strongest. The scores are kept for the run, so \\fB\\-\\-snap\\fR after "
       "\\fB\\-\\-scenes\\fR reads nothing again.\n"
       ".PP\n\\fBsheet\\fR draws with Qt 6 Gui on the offscreen platform: tiles "
       "(width \\- 8 \\(mu (columns + 1)) / columns pixels wide, 8 apart, each a 4:3 picture "
       "with a 22\\-pixel caption of the chapter number and start time).\n";
  m += ".SH GLOBAL OPTIONS\n";
  for (const OptionSpec& o : AllOptions())
    if (perCommand.count(o.id) == 0) m += ".TP\n" + OptionLine(o) + "\n" + Roff(o.help) + "\n";
  m += ".SH ENVIRONMENT\n"
       ".TP\n.B VOBMARKS_HOME\nThe program folder, which holds the work files, the diagnostic "
       "marker and dump. Without it an installed program uses "
       "\\fI$XDG_DATA_HOME/vobmarks/\\fR (or \\fI~/.local/share/vobmarks/\\fR), and one run "
       "from its build folder uses the executable's folder.\n";
  m += ".SH EXIT STATUS\n0 done, 1 ended with an error message or a declined question, "
       "2 usage error (and for \\fBsheet\\fR a build without Qt 6 Gui).\n";
  m += ".SH SEE ALSO\nThe desktop program \\fBvobmarks\\fR, whose buttons the commands "
       "follow.\n";
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_manpage OUT.1\n");
    return 2;
  }
  const std::string page = ManPage();
  FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr) return 1;
  const bool ok = std::fwrite(page.data(), 1, page.size(), f) == page.size();
  return (std::fclose(f) == 0 && ok) ? 0 : 1;
}
