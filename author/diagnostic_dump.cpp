#include "author/diagnostic_dump.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "author/vmgi_writer.h"
#include "common/files.h"
#include "common/output_file.h"

namespace vm {

namespace {

constexpr char kMarkerName[] = "VOBMARKS.OBJ";
constexpr char kDumpName[] = "DEBUG.TXT";

// printf to the dump with every line end written as CR LF.
void Put(std::FILE* f, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void Put(std::FILE* f, const char* fmt, ...) {
  char line[1024];
  va_list ap;
  va_start(ap, fmt);
  int n = std::vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  if (n < 0) return;
  for (const char* p = line; *p != '\0'; ++p) {
    if (*p == '\n') std::fputc('\r', f);
    std::fputc(*p, f);
  }
}

void PutTitleSettings(std::FILE* f, const TitleTables& t, int i) {
  Put(f, "DC_ListNum   [%2d]=%5d\n", i, t.DC_ListNum[i]);
  Put(f, "DC_VobuNum   [%2d]=%5d\n", i, t.DC_VobuNum[i]);
  Put(f, "DC_ChapterNum[%2d]=%5d\n", i, t.DC_ChapterNum[i]);
  Put(f, "ChapterNumNew[%2d]=%5d\n", i, t.ChapterNumNew[i]);
  Put(f, "\n");
  Put(f, "DC_ChapterIdxTbl:\n  ");
  int chapters = std::clamp(t.DC_ChapterNum[i], 0, kChapterSlots);
  for (int k = 0; k < chapters; ++k) Put(f, "%d ", t.DC_ChapterIdxTbl[i][k]);
  Put(f, "\n\n");
  Put(f, "DC_AttCheck  [%2d]   =%4d\n", i, t.DC_AttCheck[i]);
  Put(f, "DC_Aspect    [%2d]   =%4d\n", i, t.DC_Aspect[i]);
  Put(f, "DC_Resolution[%2d]   =%4d\n", i, t.DC_Resolution[i]);
  for (int w = 0; w < 3; ++w)
    Put(f, "DC_AudioData [%2d][%d]=%04X\n", i, w, static_cast<unsigned>(t.DC_AudioData[i][w]));
  Put(f, "DC_VtsiEnable[%2d]   =%4d\n", i, t.DC_VtsiEnable[i]);
  if (t.DC_VtsiEnable[i] == 1) Put(f, "DC_VtsiFName [%2d]   =%s\n", i, t.DC_VtsiFName[i]);
  Put(f, "DC_PrgChainNo [%2d]  =%4d\n", i, t.DC_PrgChainNo[i]);
  Put(f, "DC_First_A    [%2d]  =%4d\n", i, t.DC_First_A[i]);
  Put(f, "DC_First_C    [%2d]  =%4d\n", i, t.DC_First_C[i]);
  Put(f, "DC_A_Priority [%2d]  =%4d\n", i, t.DC_A_Priority[i]);
  Put(f, "DC_C_Priority [%2d]  =%4d\n", i, t.DC_C_Priority[i]);
  Put(f, "DC_FreeOp     [%2d]  =%4d\n", i, t.DC_FreeOp[i]);
  Put(f, "DC_SkipIlv    [%2d]  =%4d\n", i, t.DC_SkipIlv[i]);
  Put(f, "DC_VobCellId  [%2d]  =%4d\n", i, t.DC_VobCellId[i]);
  Put(f, "DC_VobuPointer[%2d]  =%4d\n", i, t.DC_VobuPointer[i]);
  Put(f, "DC_Seamless   [%2d]  =%4d\n", i, t.DC_Seamless[i]);
  Put(f, "\n");
  Put(f, "DC_A_Use[%2d]=", i);
  for (int k = 0; k < kAudioStreamSlots; ++k) Put(f, "%d ", t.DC_A_Use[i][k]);
  Put(f, "\n");
  Put(f, "DC_C_Use[%2d]=", i);
  for (int k = 0; k < kSubpicStreamSlots; ++k) Put(f, "%d ", t.DC_C_Use[i][k]);
  Put(f, "\n\n");
}

void PutLists(std::FILE* f, const TitleTables& t, int titles) {
  int k = 0;
  for (int i = 0; i < titles; ++i) {
    for (int l = 0; l < t.DC_ListNum[i] && k < kListSlots; ++l, ++k)
      Put(f, "DC_SrcFName[%2d]=%s\n", k, t.DC_SrcFName[k]);
    Put(f, "\n");
  }
  k = 0;
  for (int i = 0; i < titles; ++i) {
    for (int l = 0; l < t.DC_ListNum[i] && k < kListSlots; ++l, ++k) {
      Put(f, "DC_StartMarkNo[%2d]=%5d\n", k, t.DC_StartMarkNo[k]);
      Put(f, "DC_EndMarkNo  [%2d]=%5d\n", k, t.DC_EndMarkNo[k]);
      Put(f, "DC_StartVobu  [%2d]=%5d\n", k, t.DC_StartVobu[k]);
      Put(f, "DC_EndVobu    [%2d]=%5d\n", k, t.DC_EndVobu[k]);
      Put(f, "DC_TotalSize  [%2d]=%12.6f\n", k, t.DC_TotalSize[k] / 1048576);
    }
    Put(f, "\n");
  }
}

void PutCells(std::FILE* f, const TitleTables& t, int i) {
  Put(f, "PrgNum[%2d] =%d(%XH)\n", i, t.PrgNum[i], static_cast<unsigned>(t.PrgNum[i]));
  const uint8_t* tt = t.TotalTimeCode[i];
  Put(f, "Total Time=[%02X %02X %02X %02X]\n", tt[0], tt[1], tt[2], tt[3]);
  Put(f, "TotalSize[%2d], VtsInfoBlockLen[%2d] = %12.6f, %2d\n", i, i, t.TotalSize[i] / 1048576,
      t.VtsInfoBlockLen[i]);
  Put(f, "\n");
  Put(f, "Time,                    StartIndex, EndIndex, PackEndIndex, PrgTimeReset, "
         "PrgChapterFlg:\n");
  int cells = std::clamp(t.PrgNum[i], 0, kProgramRecordSlots);
  for (int p = 0; p < cells; ++p) {
    const int32_t* tm = t.Time[i][p];
    const uint8_t* tc = t.PrgTimeCode[i][p];
    Put(f, "%02d:%02d:%02d.%03d[%02X %02X %02X %02X], %08X, %08X, %08X, %5d, %12d\n", tm[0],
        tm[1], tm[2], tm[3], tc[0], tc[1], tc[2], tc[3],
        static_cast<unsigned>(t.StartIndex[i][p]), static_cast<unsigned>(t.EndIndex[i][p]),
        static_cast<unsigned>(t.PackEndIndex[i][p]), t.PrgTimeReset[i][p], t.PrgChapterFlg[i][p]);
  }
  Put(f, "\n");
}

}  // namespace

void WriteDiagnosticDump(const TitleTables& t, const char* programFolder) {
  Path marker, dump, found;
  if (!marker.Set(programFolder) || !marker.Append(kMarkerName)) return;
  if (!PathExists(marker.c_str()) && !FindFileNoCase(programFolder, kMarkerName, found)) return;
  if (!dump.Set(programFolder) || !dump.Append(kDumpName)) return;
  OutputFile file;
  if (file.Open(dump.c_str(), t.InputFolder) != OutputStatus::Ok) return;
  std::FILE* f = file.Stream();
  if (f == nullptr) return;
  int titles = std::clamp(t.DC_TitleNum, 0, kTitleSlots);
  Put(f, "ExtendMode=%d\n", t.ExtendMode);
  Put(f, "\n");
  Put(f, "DC_TitleNum=%d\n", t.DC_TitleNum);
  Put(f, "\n");
  for (int i = 0; i < titles; ++i) PutTitleSettings(f, t, i);
  Put(f, "DC_FirstPlayPgc=%2d\n", t.DC_FirstPlayPgc);
  Put(f, "DC_VtsAtr      =%2d\n", t.DC_VtsAtr);
  Put(f, "DC_Region      =%2d\n", t.DC_Region);
  Put(f, "RegionMask     =%02X\n", static_cast<unsigned>(VmgiRegionMask(t)));
  Put(f, "DC_AllSet      =%2d\n", t.DC_AllSet);
  Put(f, "DC_TitleSeries =%2d\n", t.DC_TitleSeries);
  Put(f, "\n");
  PutLists(f, t, titles);
  for (int i = 0; i < titles; ++i) PutCells(f, t, i);
  file.Commit();
}

}  // namespace vm
