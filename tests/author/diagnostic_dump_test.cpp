// DEBUG.TXT: the exact text with CR LF line ends, written only when the
// marker file is present.
#include <string>

#include <gtest/gtest.h>

#include "author/diagnostic_dump.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

TitleTables& T() {
  static TitleTables* t = new TitleTables();
  return *t;
}

std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

void FillOneTitle(TitleTables& t) {
  ResetTables(t);
  t.ExtendMode = 1;
  t.DC_TitleNum = 1;
  t.DC_ListNum[0] = 2;
  t.DC_VobuNum[0] = 120;
  t.DC_ChapterNum[0] = 3;
  t.DC_ChapterIdxTbl[0][0] = 0;
  t.DC_ChapterIdxTbl[0][1] = 40;
  t.DC_ChapterIdxTbl[0][2] = 99;
  t.ChapterNumNew[0] = 3;
  t.DC_AttCheck[0] = 1;
  t.DC_VtsiEnable[0] = 1;
  CopyField(t.DC_VtsiFName[0], "/in/VTS_01_0.IFO");
  t.DC_A_Use[0][2] = 0;
  t.DC_C_Use[0][31] = 0;
  CopyField(t.DC_SrcFName[0], "/in/VTS_01_1.VOB");
  CopyField(t.DC_SrcFName[1], "/in/VTS_01_2.VOB");
  t.DC_StartMarkNo[0] = 5;
  t.DC_EndMarkNo[0] = -1;
  t.DC_StartVobu[0] = 300;
  t.DC_EndVobu[0] = -1;
  t.DC_TotalSize[0] = 1073741824.0;
  t.DC_StartMarkNo[1] = -1;
  t.DC_EndMarkNo[1] = 124;
  t.DC_StartVobu[1] = -1;
  t.DC_EndVobu[1] = 4000;
  t.DC_TotalSize[1] = 524288.0;
  t.PrgNum[0] = 2;
  const uint8_t total[4] = {0x00, 0x01, 0x04, 0xD7};
  for (int k = 0; k < 4; ++k) t.TotalTimeCode[0][k] = total[k];
  t.TotalSize[0] = 1073741824.0 + 524288.0;
  t.VtsInfoBlockLen[0] = 6;
  const int times[2][4] = {{0, 0, 1, 500}, {1, 2, 3, 4}};
  const uint8_t codes[2][4] = {{0, 0, 1, 0xD6}, {1, 2, 3, 0xC0}};
  for (int p = 0; p < 2; ++p)
    for (int k = 0; k < 4; ++k) {
      t.Time[0][p][k] = times[p][k];
      t.PrgTimeCode[0][p][k] = codes[p][k];
    }
  t.StartIndex[0][0] = 0, t.EndIndex[0][0] = 30, t.PackEndIndex[0][0] = 39;
  t.StartIndex[0][1] = 40, t.EndIndex[0][1] = 0x1FF, t.PackEndIndex[0][1] = 0x2AB;
  t.PrgTimeReset[0][1] = 1;
  t.PrgChapterFlg[0][0] = 1;
}

const char kExpected[] =
    "ExtendMode=1\n\nDC_TitleNum=1\n\n"
    "DC_ListNum   [ 0]=    2\nDC_VobuNum   [ 0]=  120\nDC_ChapterNum[ 0]=    3\n"
    "ChapterNumNew[ 0]=    3\n\n"
    "DC_ChapterIdxTbl:\n  0 40 99 \n\n"
    "DC_AttCheck  [ 0]   =   1\nDC_Aspect    [ 0]   =   0\nDC_Resolution[ 0]   =   2\n"
    "DC_AudioData [ 0][0]=0090\nDC_AudioData [ 0][1]=0010\nDC_AudioData [ 0][2]=0010\n"
    "DC_VtsiEnable[ 0]   =   1\nDC_VtsiFName [ 0]   =/in/VTS_01_0.IFO\n"
    "DC_PrgChainNo [ 0]  =   1\nDC_First_A    [ 0]  =   0\nDC_First_C    [ 0]  =   0\n"
    "DC_A_Priority [ 0]  =   0\nDC_C_Priority [ 0]  =   0\nDC_FreeOp     [ 0]  =   1\n"
    "DC_SkipIlv    [ 0]  =   0\nDC_VobCellId  [ 0]  =   6\nDC_VobuPointer[ 0]  =   1\n"
    "DC_Seamless   [ 0]  =   0\n\n"
    "DC_A_Use[ 0]=1 1 0 1 1 1 1 1 \n"
    "DC_C_Use[ 0]=1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 0 \n\n"
    "DC_FirstPlayPgc= 1\nDC_VtsAtr      = 1\nDC_Region      = 0\nRegionMask     =FD\nDC_AllSet      = 0\n"
    "DC_TitleSeries = 0\n\n"
    "DC_SrcFName[ 0]=/in/VTS_01_1.VOB\nDC_SrcFName[ 1]=/in/VTS_01_2.VOB\n\n"
    "DC_StartMarkNo[ 0]=    5\nDC_EndMarkNo  [ 0]=   -1\nDC_StartVobu  [ 0]=  300\n"
    "DC_EndVobu    [ 0]=   -1\nDC_TotalSize  [ 0]= 1024.000000\n"
    "DC_StartMarkNo[ 1]=   -1\nDC_EndMarkNo  [ 1]=  124\nDC_StartVobu  [ 1]=   -1\n"
    "DC_EndVobu    [ 1]= 4000\nDC_TotalSize  [ 1]=    0.500000\n\n"
    "PrgNum[ 0] =2(2H)\nTotal Time=[00 01 04 D7]\n"
    "TotalSize[ 0], VtsInfoBlockLen[ 0] =  1024.500000,  6\n\n"
    "Time,                    StartIndex, EndIndex, PackEndIndex, PrgTimeReset, PrgChapterFlg:\n"
    "00:00:01.500[00 00 01 D6], 00000000, 0000001E, 00000027,     0,            1\n"
    "01:02:03.004[01 02 03 C0], 00000028, 000001FF, 000002AB,     1,            0\n\n";

TEST(DiagnosticDump, WritesEveryTableWithCrLf) {
  FillOneTitle(T());
  testing::TempDir dir;
  ASSERT_TRUE(testing::WriteFile(dir / "VOBMARKS.OBJ", ""));
  ASSERT_TRUE(testing::WriteFile(dir / "DEBUG.TXT", "an older, longer dump that must go away"));
  WriteDiagnosticDump(T(), dir.path().c_str());
  EXPECT_EQ(testing::ReadFile(dir / "DEBUG.TXT"), Crlf(kExpected));
}

TEST(DiagnosticDump, NoFileNameLineWhenTheSourceCopyIsOff) {
  FillOneTitle(T());
  T().DC_VtsiEnable[0] = 0;
  testing::TempDir dir;
  ASSERT_TRUE(testing::WriteFile(dir / "VOBMARKS.OBJ", "x"));
  WriteDiagnosticDump(T(), dir.path().c_str());
  std::string text = testing::ReadFile(dir / "DEBUG.TXT");
  EXPECT_NE(text.find("DC_VtsiEnable[ 0]   =   0\r\nDC_PrgChainNo [ 0]  =   1\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("DC_VtsiFName"), std::string::npos);
}

TEST(DiagnosticDump, WithoutMarkerNothingIsWrittenOrChanged) {
  FillOneTitle(T());
  testing::TempDir dir;
  WriteDiagnosticDump(T(), dir.path().c_str());
  EXPECT_NE(testing::RunCommand("test -e " + (dir / "DEBUG.TXT")), 0);
  ASSERT_TRUE(testing::WriteFile(dir / "DEBUG.TXT", "kept"));
  WriteDiagnosticDump(T(), dir.path().c_str());
  EXPECT_EQ(testing::ReadFile(dir / "DEBUG.TXT"), "kept");
}

}  // namespace
}  // namespace vm
