#include "title/tables.h"

#include <cstring>
#include <new>

#include "common/files.h"
#include "common/ui.h"
#include "title/time_list_text.h"

namespace vm {

TitleTables& Tables() {
  // Static storage starts zero-filled without touching its pages: a run
  // pays only for the parts of the tables it uses. The I/O buffer, which
  // the first head read of a scan fills whole, asks for large pages.
  static TitleTables instance;
  static const bool largePages = (PreferLargePages(instance.IoBuffer, sizeof instance.IoBuffer), true);
  (void)largePages;
  return instance;
}

void SetTitleAttributeDefaults(TitleTables& t, int title) {
  t.DC_AttCheck[title] = 0;
  t.DC_Aspect[title] = 0;
  t.DC_Resolution[title] = 2;
  t.DC_AudioData[title][0] = 0x90;
  t.DC_AudioData[title][1] = 0x10;
  t.DC_AudioData[title][2] = 0x10;
  t.DC_VtsiEnable[title] = 1;
  t.DC_PrgChainNo[title] = 1;
  t.DC_First_A[title] = 0;
  t.DC_First_C[title] = 0;
  t.DC_A_Priority[title] = 0;
  t.DC_C_Priority[title] = 0;
  t.DC_FreeOp[title] = 1;
  t.DC_SkipIlv[title] = 0;
  t.DC_VobCellId[title] = 6;
  t.DC_VobuPointer[title] = 1;
  t.DC_Seamless[title] = 0;
  std::memset(t.DC_A_Use[title], 1, sizeof t.DC_A_Use[title]);
  std::memset(t.DC_C_Use[title], 1, sizeof t.DC_C_Use[title]);
}

namespace {

void ResetTitleCounts(TitleTables& t, int title) {
  t.DC_ListNum[title] = 0;
  t.DC_VobuNum[title] = 0;
  t.DC_ChapterNum[title] = 0;
  std::memset(t.DC_ChapterIdxTbl[title], 0, sizeof t.DC_ChapterIdxTbl[title]);
}

void MoveList(TitleTables& t, int to, int from) {
  std::memcpy(t.DC_SrcFName[to], t.DC_SrcFName[from], kPathBytes);
  t.DC_SrcFirstSector[to] = t.DC_SrcFirstSector[from];
  t.DC_SrcId[to] = t.DC_SrcId[from];
  t.DC_StartMarkNo[to] = t.DC_StartMarkNo[from];
  t.DC_EndMarkNo[to] = t.DC_EndMarkNo[from];
  t.DC_StartVobu[to] = t.DC_StartVobu[from];
  t.DC_EndVobu[to] = t.DC_EndVobu[from];
  t.DC_TotalSize[to] = t.DC_TotalSize[from];
}

// Every per-title field that moves with its title (ChapterNumNew does not).
void MoveTitle(TitleTables& t, int to, int from) {
  t.DC_ListNum[to] = t.DC_ListNum[from];
  t.DC_ChapterNum[to] = t.DC_ChapterNum[from];
  t.DC_VobuNum[to] = t.DC_VobuNum[from];
  std::memcpy(t.DC_ChapterIdxTbl[to], t.DC_ChapterIdxTbl[from], sizeof t.DC_ChapterIdxTbl[to]);
  t.DC_AttCheck[to] = t.DC_AttCheck[from];
  t.DC_Aspect[to] = t.DC_Aspect[from];
  t.DC_Resolution[to] = t.DC_Resolution[from];
  std::memcpy(t.DC_AudioData[to], t.DC_AudioData[from], sizeof t.DC_AudioData[to]);
  t.DC_VtsiEnable[to] = t.DC_VtsiEnable[from];
  t.DC_PrgChainNo[to] = t.DC_PrgChainNo[from];
  t.DC_First_A[to] = t.DC_First_A[from];
  t.DC_First_C[to] = t.DC_First_C[from];
  t.DC_A_Priority[to] = t.DC_A_Priority[from];
  t.DC_C_Priority[to] = t.DC_C_Priority[from];
  t.DC_FreeOp[to] = t.DC_FreeOp[from];
  t.DC_SkipIlv[to] = t.DC_SkipIlv[from];
  t.DC_VobCellId[to] = t.DC_VobCellId[from];
  t.DC_VobuPointer[to] = t.DC_VobuPointer[from];
  t.DC_Seamless[to] = t.DC_Seamless[from];
  std::memcpy(t.DC_A_Use[to], t.DC_A_Use[from], sizeof t.DC_A_Use[to]);
  std::memcpy(t.DC_C_Use[to], t.DC_C_Use[from], sizeof t.DC_C_Use[to]);
  std::memcpy(t.SrcVtsiCopy[to], t.SrcVtsiCopy[from], kSrcVtsiCopyBytes);
  std::memcpy(t.DC_VtsiFName[to], t.DC_VtsiFName[from], kPathBytes);
}

int ListsBelow(const TitleTables& t, int titleEnd) {
  int sum = 0;
  for (int i = 0; i < titleEnd && i < kTitleSlots; ++i) sum += t.DC_ListNum[i];
  return sum;
}

}  // namespace

void ResetTables(TitleTables& t) {
  t.TimeListNum = 0;
  t.TimeListPtmKept = 0;
  t.RangeStart = 0;
  t.RangeEnd = 0;
  t.LineCount = 0;
  t.CurTitleIdx = 0;
  t.DC_TitleNum = 0;
  t.ChosenTitle = 0;
  t.TitleVts = 1;
  t.TitlePgc = 1;
  t.DC_FirstPlayPgc = 1;
  t.DC_VtsAtr = 1;
  t.DC_Region = 0;
  t.RegionMask = -1;
  t.SrcRegionMask = -1;
  t.WholeDisc = 0;
  t.DC_AllSet = 0;
  t.DC_TitleSeries = 0;
  for (int i = 0; i < kTitleSlots; ++i) {
    ResetTitleCounts(t, i);
    SetTitleAttributeDefaults(t, i);
    t.ChapterNumNew[i] = 0;
  }
  std::memset(t.SrcVtsiCopy, 0, sizeof t.SrcVtsiCopy);
  std::memset(t.DC_VtsiFName, 0, sizeof t.DC_VtsiFName);
  std::memset(t.VobFileId, 0, sizeof t.VobFileId);
  std::memset(t.DC_SrcId, 0, sizeof t.DC_SrcId);
  t.ChapterInterval = 180;
  SetRangeLabels(t);
  SetSizeLabel(t, 0);
}

void ClearTimeList(TitleTables& t) {
  t.VobFileNum = 0;
  t.TimeListNum = 0;
  t.TimeListPtmKept = 0;
  std::memset(t.TimeListFlags, 0, sizeof t.TimeListFlags);
  EmptyListBox(t);
}

int AddRangeAsContent(TitleTables& t, Ui& ui, int32_t s, int32_t e) {
  if (t.BusyFlag == 1) return 0;
  if (t.TimeListNum == 0 || s < 0 || e < s || e >= t.TimeListNum) {
    ui.Error("Input data is none.");
    return 1;
  }
  const int T = t.CurTitleIdx;
  const int titles = t.DC_TitleNum < kTitleSlots ? t.DC_TitleNum : kTitleSlots;

  int k = 0;
  for (int32_t i = s; i <= e; ++i)
    if (i == s || (t.TimeListFlags[i] & TL_CHAPTER)) ++k;
  if (t.DC_ChapterNum[T] + k > kMaxChaptersPerTitle) {
    ui.Error("Number of chapters is too many (Maximum:127, Standardized:99).");
    return 1;
  }
  int allChapters = 0;
  for (int i = 0; i < titles; ++i) allChapters += t.DC_ChapterNum[i];
  if (k + allChapters > kMaxChaptersAllTitles) {
    ui.Error("Number of chapters is too many (Maximum in all titles:999).");
    return 1;
  }
  const int f0 = t.TimeListFileNo[s];
  const int f1 = t.TimeListFileNo[e];
  const int n = f1 - f0 + 1;
  const int p = ListsBelow(t, T + 1);
  if (ListsBelow(t, titles) + n > kMaxLists) {
    ui.Error("Number of DVD contents is too many (Maximum in all titles:511).");
    return 1;
  }

  for (int32_t i = s; i <= e; ++i) {
    if (i != s && !(t.TimeListFlags[i] & TL_CHAPTER)) continue;
    t.DC_ChapterIdxTbl[T][t.DC_ChapterNum[T]] = t.DC_VobuNum[T] + (i - s);
    t.DC_ChapterNum[T] += 1;
  }
  for (int q = kListSlots - 1 - n; q >= p; --q) MoveList(t, q + n, q);

  for (int f = f0; f <= f1; ++f) {
    const int q = p + (f - f0);
    std::memcpy(t.DC_SrcFName[q], t.VobFileName[f], kPathBytes);
    t.DC_SrcFirstSector[q] = t.VobFileFirstSector[f];
    t.DC_SrcId[q] = t.VobFileId[f];
    t.DC_TotalSize[q] = t.VobFileSize[f];
    if (f == f0) {
      t.DC_StartMarkNo[q] = s;
      t.DC_StartVobu[q] = t.TimeListSector[s];
      t.DC_TotalSize[q] -= 2048.0 * t.TimeListSector[s];
    } else {
      t.DC_StartMarkNo[q] = -1;
      t.DC_StartVobu[q] = -1;
    }
    if (f == f1) {
      t.DC_EndMarkNo[q] = e;
      t.DC_EndVobu[q] = t.TimeListSector[e];
      if (t.TimeListFileNo[e + 1] == t.TimeListFileNo[e])
        t.DC_TotalSize[q] -= t.VobFileSize[f] - 2048.0 * t.TimeListSector[e + 1];
    } else {
      t.DC_EndMarkNo[q] = -1;
      t.DC_EndVobu[q] = -1;
    }
    t.DC_ListNum[T] += 1;
  }
  t.DC_VobuNum[T] += e - s + 1;
  if (t.DC_TitleNum <= T) t.DC_TitleNum += 1;
  return 0;
}

int64_t ListSourceOffset(const TitleTables& t, int list) {
  const int64_t start = t.DC_StartVobu[list] == -1 ? 0 : t.DC_StartVobu[list];
  return (int64_t{t.DC_SrcFirstSector[list]} + start) * kSectorBytes;
}

void RemoveCurrentTitle(TitleTables& t) {
  if (t.BusyFlag == 1) return;
  const int T = t.CurTitleIdx;
  if (t.DC_ListNum[T] <= 0) return;
  const int p = ListsBelow(t, T);
  const int m = t.DC_ListNum[T];
  for (int q = p + m; q < kListSlots; ++q) MoveList(t, q - m, q);
  if (t.DC_TitleNum > 0) t.DC_TitleNum -= 1;
  for (int i = T; i < t.DC_TitleNum && i + 1 < kTitleSlots; ++i) MoveTitle(t, i, i + 1);
  const int freed = t.DC_TitleNum;
  ResetTitleCounts(t, freed);
  // SrcVtsiCopy and DC_VtsiFName stay: with no title left, slot 0 keeps the
  // attributes chosen for it across the rebuild of every creation.
  if (t.DC_TitleNum >= 1) SetTitleAttributeDefaults(t, freed);
}

}  // namespace vm
