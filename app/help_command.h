// Help: the manual opened in a web browser, the browser named by the first
// line of IE.TXT in the program folder or else the desktop's default opener.
#pragma once

#include "common/fixed_string.h"

class QWidget;

namespace vm {

inline constexpr char kDefaultBrowser[] = "/usr/bin/xdg-open";

// The manual named on the browser's command line: the usage.txt a user put
// into the program folder, else the installed one (empty when the path
// would not fit).
void HelpManualPath(const char* programFolder, Path& out);

// programFolder + "IE.TXT": its first line without the line end and the
// surrounding blanks when anything is left, else the default browser. A
// first line longer than 254 characters names no browser that can be used:
// `out` is then empty, so that the help command reports the browser missing
// rather than start whatever a cut-off path would name.
void HelpBrowserPath(const char* programFolder, Path& out);

// Starts the browser on the manual, without a shell and without waiting;
// when the browser path matches nothing, says so in an "Error" box instead.
void RunHelp(QWidget* owner, const char* programFolder);

}  // namespace vm
