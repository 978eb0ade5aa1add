#include "app/verify_report.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include "app/qt_ui.h"

namespace vm {

namespace {

constexpr int kPollMs = 50;
constexpr char kCheckCaption[] = "Volume checking";
constexpr char kCheckStoppedMessage[] = "The check of the written volume is stopped.";
// verify's exit codes: sound, faults found, built without the libraries.
constexpr int kVerifySound = 0;
constexpr int kVerifyFaults = 1;
constexpr int kVerifyUnavailable = 2;

}  // namespace

QString VerifyProgramPath() {
  return QCoreApplication::applicationDirPath() + "/vobmarks-cli";
}

QString VerifyMessage(const VerifyOutcome& outcome, const QString& program, bool& error) {
  error = true;
  if (!outcome.started)
    return QString("The written volume is not checked: %1 is not found or cannot be run.")
        .arg(program);
  if (outcome.crashed) return QString("The check of the written volume ended abnormally (%1).").arg(program);
  QString head;
  switch (outcome.exitCode) {
    case kVerifySound:
      error = false;
      head = "The written volume is checked: sound.";
      break;
    case kVerifyFaults:
      head = "The written volume is checked: faults are found.";
      break;
    case kVerifyUnavailable:
      return "The written volume is not checked: vobmarks-cli was built without libdvdread and "
             "libdvdnav.";
    default:
      head = QString("The check of the written volume ended with status %1.").arg(outcome.exitCode);
  }
  QStringList lines = QString::fromUtf8(outcome.output).split('\n', Qt::SkipEmptyParts);
  const qsizetype more = lines.size() - kVerifyReportLines;
  if (more > 0) {
    lines = lines.mid(0, kVerifyReportLines);
    lines << QString("(%1 more lines: run \"vobmarks-cli verify\" to see them all)").arg(more);
  }
  return head + "\n\n" + lines.join('\n');
}

void RunVerifyReport(QtUi& ui, const QString& program, const QString& target, int32_t& busyFlag) {
  VerifyOutcome outcome;
  const QFileInfo exe(program);
  if (exe.isFile() && exe.isExecutable()) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {"verify", target});
    outcome.started = process.waitForStarted();
    if (outcome.started) {
      // The check gives no figures: the window shows that it works, and
      // its close box ends it.
      busyFlag = 1;
      ui.ProgressOpen(kCheckCaption);
      ui.SetWaitCursor(true);
      bool stopped = false;
      while (!process.waitForFinished(kPollMs)) {
        if (process.state() == QProcess::NotRunning) break;
        ui.PumpMessages();
        if (ui.StopRequested() && !stopped) {
          process.kill();
          stopped = true;
        }
      }
      ui.ProgressClose();
      ui.SetWaitCursor(false);
      busyFlag = 0;
      if (stopped) {
        ui.Information(kCheckStoppedMessage, Icon::Exclamation);
        return;
      }
      outcome.crashed = process.exitStatus() == QProcess::CrashExit;
      outcome.exitCode = process.exitCode();
      outcome.output = process.readAll();
    }
  }
  bool error = true;
  const QByteArray text = VerifyMessage(outcome, program, error).toUtf8();
  ui.Information(text.constData(), error ? Icon::Exclamation : Icon::Information);
}

}  // namespace vm
