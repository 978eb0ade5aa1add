#include "author/create_volume.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "author/create_messages.h"
#include "author/diagnostic_dump.h"
#include "author/output_folder.h"
#include "author/source_attributes.h"
#include "author/vmgi_writer.h"
#include "author/vob_writer.h"
#include "author/vobu_pointers.h"
#include "author/vtsi_writer.h"
#include "author/whole_disc.h"
#include "common/files.h"
#include "common/output_file.h"

namespace vm {

namespace {

constexpr char kAskDefaults[] =
    "Title %d attribute is not set.\nDefault setting is applied [Aspect 4:3, Dolby Digital 2ch, "
    "First audio only, Caption none]\nContinue or not ?";
constexpr char kUpdating[] = "VOBU pointers updating";
constexpr char kTitleTooBig[] = "Title data size > 9GB.\nThis data can't be edited.";
constexpr char kOutputTooBig[] = "Output data size is too big.";
constexpr char kAskSingleLayer[] =
    "Data size is beyond single layer size (4.3GB).\nThis data can't be written to DVD+R/RW, "
    "DVD-R/RW.\nContinue ?";
constexpr char kSourceOpenError[] = "%s open error.";
constexpr char kSourceInvalid[] = "Process is stopped (%s is invalid).";
constexpr char kTextReadError[] = "Process is stopped (%s: read error at sector %lld: %s).";
constexpr char kTextEndedEarly[] =
    "Process is stopped (%s ends at sector %lld, before the data the read found: the file was "
    "cut short).";
constexpr char kTextChanged[] =
    "Process is stopped (%s has changed since the title was read: read it again).";
constexpr char kTextEncrypted[] =
    "Process is stopped (%s is encrypted: CSS-scrambled pack at sector %lld).\nThe title must be "
    "decrypted before it is read.";
constexpr char kTooManyVobus[] = "Number of VOBUs > Limit.\nThis data can't be edited.";
constexpr char kPointerError[] = "VOB file create error (VOBU pointers updating).";
constexpr char kNormalEnd[] = "Normal End.";
constexpr char kNormalEndNg[] = "Normal End (Number of NG PACKs=%d).";

constexpr int64_t kMaxTitleSectors = 4718583;    // nine VOB files of 524287 sectors
constexpr int64_t kMaxTotalSectors = 1073741824;  // 2^30
constexpr int64_t kSingleLayerSectors = 2254438;  // 4.3 GiB

int TitleCount(const TitleTables& t) { return std::clamp(t.DC_TitleNum, 0, kTitleSlots); }

CreateResult FailureEnd(TitleTables& t, Ui& ui, const char* text) {
  t.BusyFlag = 0;
  ui.ProgressClose();
  ui.SetWaitCursor(false);
  ui.Information(text, Icon::Exclamation);
  return CreateResult::Failed;
}

// The first stage: content, source attributes, the defaults question.
bool PrepareContent(TitleTables& t, Ui& ui) {
  RemoveCurrentTitle(t);
  if (AddRangeAsContent(t, ui, t.RangeStart, t.RangeEnd) != 0) return false;
  if (t.DC_TitleNum == 0) {
    ui.Error(kNoContents);
    return false;
  }
  if (ReadSourceAttributes(t, ui, t.CurTitleIdx) != 0) return false;
  ReadSourceRegion(t);
  for (int i = 0; i < TitleCount(t); ++i) {
    if (t.DC_AttCheck[i] != 0) continue;
    MessageText text;
    text.Format(kAskDefaults, i + 1);
    return ui.Confirm(text.c_str()) == Answer::Yes;
  }
  return true;
}

// The size check over every list; nullptr when the sizes are acceptable.
const char* CheckSizes(const TitleTables& t, AuthorState& a) {
  a.CreateTotalSectors = 0;
  a.CreateDoneSectors = 0;
  a.NgPackCount = 0;
  a.NgPromptArmed = 1;
  int64_t total = 0;
  int list = 0;
  for (int i = 0; i < TitleCount(t); ++i) {
    int64_t title = 0;
    for (int l = 0; l < t.DC_ListNum[i] && list < kListSlots; ++l, ++list) {
      double sectors = t.DC_TotalSize[list] / kSectorBytes + 0.5;
      int64_t s = sectors > 0 ? static_cast<int64_t>(std::min(sectors, 1e15)) : 0;
      title += s;
      total += s;
      if (title > kMaxTitleSectors) return kTitleTooBig;
      if (total > kMaxTotalSectors) return kOutputTooBig;
    }
  }
  a.CreateTotalSectors = static_cast<int32_t>(total);
  return nullptr;
}

// A source fault the writer noted: the file, and the sector where it lies.
const char* SourceFaultMessage(const AuthorState& a, const char* source, MessageText& text) {
  const long long sector = a.SourceFaultSector;
  switch (a.SourceFault) {
    case kSourceReadError:
      text.Format(kTextReadError, source, sector, std::strerror(a.SourceFaultErrno));
      break;
    case kSourceEndedEarly: text.Format(kTextEndedEarly, source, sector); break;
    case kSourceChanged: text.Format(kTextChanged, source); break;
    case kSourceEncrypted: text.Format(kTextEncrypted, source, sector); break;
    default: text.Format(kSourceOpenError, source); break;
  }
  return text.c_str();
}

const char* VobWriterMessage(const TitleTables& t, const AuthorState& a, int r,
                             MessageText& text) {
  const int list = a.SourceFault != kSourceNoFault ? a.SourceFaultList : a.CurListIdx;
  const char* source = list >= 0 && list < kListSlots ? t.DC_SrcFName[list] : "";
  switch (r) {
    case kVobWriteSourceError: return SourceFaultMessage(a, source, text);
    case kVobWriteOutputError: return kVobCreateError;
    case kVobWriteDeclined: text.Format(kSourceInvalid, source); return text.c_str();
    case kVobWriteTooManyCells: return kTooManyCells;
    case kVobWriteTooManyVobus: return kTooManyVobus;
    default: return kStopped;
  }
}

// Closes the current output file; an empty last file (the previous one
// ended exactly at the split size) is deleted. False when the close fails.
bool CloseOutputFile(AuthorState& a, int title) {
  if (a.OutFd < 0) return true;
  bool ok = close(a.OutFd) == 0;
  a.OutFd = -1;
  Path path;
  if (OutputVobPath(a, title, a.OutVobNo, path) && FileSizeOf(path.c_str()) == 0)
    unlink(path.c_str());
  return ok;
}

// The end marker and the last record's sectors, then the chapter count.
void CloseProgramRecords(TitleTables& t, const AuthorState& a, int title) {
  int n = std::clamp(t.PrgNum[title], 0, kProgramRecordSlots - 1);
  t.PrgNum[title] = n;
  if (n > 0) {
    int p = n - 1;
    t.EndIndex[title][p] = a.OutLastNavSector;
    t.PackEndIndex[title][p] = a.OutSector - 1;
  }
  t.StartIndex[title][n] = a.OutSector;
  int chapters = 0;
  for (int p = 0; p < n; ++p)
    if (t.PrgChapterFlg[title][p] != 0) chapters += 1;
  t.ChapterNumNew[title] = chapters;
}

// One title's VOB files, VTSI and VOBU pointers; nullptr on success, else
// the failure message.
const char* WriteTitle(TitleTables& t, AuthorState& a, Ui& ui, int title, MessageText& text) {
  a.OutSector = 0;
  a.OutVobuNum = 0;
  a.OutTmapNum = 0;
  a.OutVobNo = 1;
  a.OutVobPacks = 0;
  t.PrgNum[title] = 0;
  t.TotalSize[title] = 0.0;
  Path path;
  if (!OutputVobPath(a, title, a.OutVobNo, path)) return kVobCreateError;
  OutputStatus opened;
  a.OutFd = OpenOutputInPlace(path.c_str(), t.InputFolder, opened);
  if (a.OutFd < 0) return kVobCreateError;
  int r = WriteTitleVobs(t, a, ui, title);
  if (r == kVobWriteDone) PumpAndPoll(ui, t.StopRequest);  // a close at the very end counts
  if (r == kVobWriteDone && t.StopRequest == 1) r = kVobWriteStopped;
  if (r != kVobWriteDone) {
    CloseOutputFile(a, title);
    return VobWriterMessage(t, a, r, text);
  }
  if (!CloseOutputFile(a, title)) return kVobCreateError;
  CloseProgramRecords(t, a, title);
  ComputeProgramTimeCodes(t, a, title);
  if (WriteVtsi(t, a, title) != kVtsiDone) return kVtsiError;
  if (t.DC_VobuPointer[title] == 1) {
    ui.ProgressCaption(kUpdating);
    int u = UpdateVobuPointers(t, a, ui, title);
    ui.ProgressCaption(kCreating);
    if (u != 0) return kPointerError;
  }
  return nullptr;
}

}  // namespace

CreateResult CreateVolume(TitleTables& t, AuthorState& a, Ui& ui, const char* outputFolderText,
                          const char* programFolder, OutputFolderLock* keepLock) {
  if (t.BusyFlag == 1) return CreateResult::Ignored;
  if (t.WholeDisc == 1)
    return CreateWholeDisc(t, a, ui, outputFolderText, programFolder, keepLock);
  if (!PrepareContent(t, ui)) return CreateResult::Stopped;
  OutputFolderLock lock;
  if (ClaimOutputFolder(t, a, ui, outputFolderText, lock) != 0) return CreateResult::Stopped;

  ui.ProgressOpen(kCreating);
  ui.SetWaitCursor(true);
  if (const char* failure = CheckSizes(t, a)) return FailureEnd(t, ui, failure);
  if (a.CreateTotalSectors > kSingleLayerSectors && ui.Confirm(kAskSingleLayer) != Answer::Yes) {
    ui.ProgressClose();
    ui.SetWaitCursor(false);
    return CreateResult::Stopped;
  }

  t.BusyFlag = 1;
  t.StopRequest = 0;
  a.CurListIdx = 0;
  for (int title = 0; title < TitleCount(t); ++title) {
    MessageText text;
    if (const char* failure = WriteTitle(t, a, ui, title, text)) return FailureEnd(t, ui, failure);
  }
  if (WriteVmgi(t, a) != kVmgiDone) return FailureEnd(t, ui, kVmgiError);

  t.BusyFlag = 0;
  ui.ProgressClose();
  ui.SetWaitCursor(false);
  MessageText text;
  if (a.NgPackCount == 0) {
    ui.Information(kNormalEnd);
  } else {
    text.Format(kNormalEndNg, a.NgPackCount);
    ui.Information(text.c_str());
  }
  WriteDiagnosticDump(t, programFolder);
  if (keepLock != nullptr) keepLock->TakeFrom(lock);
  return CreateResult::NormalEnd;
}

}  // namespace vm
