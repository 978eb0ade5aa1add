// The check of a written volume after "Create DVD Image": the command-line
// program beside the desktop program runs "verify" on the folder or the
// disc image (it links the DVD libraries the desktop program does not),
// and its report is shown in one message.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace vm {

class QtUi;

// vobmarks-cli in the folder of the running program.
QString VerifyProgramPath();

// How a run of "verify" ended, as the message shows it.
struct VerifyOutcome {
  bool started = false;
  bool crashed = false;
  int exitCode = 0;
  QByteArray output;  // standard output and error together
};

// The message text for an outcome: the report (at most kVerifyReportLines
// lines of it), with a first line that says whether the volume is sound.
// `error` tells whether it is shown as an error.
constexpr int kVerifyReportLines = 40;
QString VerifyMessage(const VerifyOutcome& outcome, const QString& program, bool& error);

// Runs `program verify target` without a shell, letting events run while
// it works (`busyFlag` held at 1, the wait cursor shown), and shows the
// message through `ui`.
void RunVerifyReport(QtUi& ui, const QString& program, const QString& target, int32_t& busyFlag);

}  // namespace vm
