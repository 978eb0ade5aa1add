#include "title/ifo_check.h"

#include <cerrno>
#include <cstring>

#include "common/be.h"
#include "common/files.h"
#include "dvd/ifo_view.h"
#include "dvd/pgc.h"
#include "dvd/tt_srpt.h"
#include "dvd/vts_pgcit.h"
#include "dvd/vtsi_mat.h"

namespace vm {

namespace {

// VIDEO_TS.IFO: the title search pointer table (TT_SRPT) is taken to start
// at sector 1.
constexpr size_t kTtSrptOffset = dvd::kIfoSectorBytes;
constexpr size_t kTtSrptFirstEntryAngles = kTtSrptOffset + dvd::kTtSrptEntries + dvd::kTtAngles;

// VTS_01_0.IFO: VTSI_MAT, VTS_PGCI and PGC fields.
using dvd::kCellFirstIlvuEnd;
using dvd::kVtsiPgcit;

constexpr int64_t kMinIfoBytes = 4096;

const char kVtsiInvalid[] = "VTSI file format is invalid.";

}  // namespace

int64_t ReadIfoIntoIoBuffer(TitleTables& t, Ui& ui, const char* name) {
  Path path;
  MessageText msg;
  if (!FindFileNoCase(t.InputFolder, name, path)) {
    Path typed;
    if (!typed.Set(t.InputFolder) || !typed.Append(name)) typed.Set(name);
    msg.Format("%s is not found.", typed.c_str());
    ui.Error(msg.c_str());
    return -1;
  }
  int64_t n = ReadFileHead(path.c_str(), t.IoBuffer, kIoBufferBytes);
  if (n < 0) {
    // There but not readable (permissions, say) is not "not found".
    const int err = errno;
    if (err == ENOENT) msg.Format("%s is not found.", path.c_str());
    else msg.Format("%s can't be read (%s).", path.c_str(), std::strerror(err));
    ui.Error(msg.c_str());
    return -1;
  }
  if (n < kMinIfoBytes) {
    msg.Format("%s is invalid (size).", path.c_str());
    ui.Error(msg.c_str());
    return -1;
  }
  return n;
}

int CheckVideoTsIfo(TitleTables& t, Ui& ui) {
  if (ReadIfoIntoIoBuffer(t, ui, "VIDEO_TS.IFO") < 0) return 1;
  // At least 4096 bytes were read, so both fields lie inside the data.
  if (ReadBe16(t.IoBuffer + kTtSrptOffset) != 1) {
    ui.Error("Number of titles is not 1 (Multi title not supported).");
    return 1;
  }
  if (t.IoBuffer[kTtSrptFirstEntryAngles] > 1) {
    ui.Error("Multi angle is included (Multi angle not supported).");
    return 1;
  }
  return 0;
}

// Every offset read from the file is checked against the bytes read before
// it is followed; a table that leads outside them is refused as a broken
// VTSI.
int CheckVtsInterleave(TitleTables& t, Ui& ui) {
  int64_t read = ReadIfoIntoIoBuffer(t, ui, "VTS_01_0.IFO");
  if (read < 0) return 1;
  const IfoView v(t.IoBuffer, static_cast<size_t>(read));
  uint32_t sector = 0;
  bool interleaved = false;
  const bool whole = v.U32(kVtsiPgcit, sector) &&
                     dvd::ForEachCellPlayback(v, uint64_t{kSectorBytes} * sector, [&](uint64_t cell) {
                       if (ReadBe32(t.IoBuffer + cell + kCellFirstIlvuEnd) != 0) interleaved = true;
                     });
  if (!whole) {
    ui.Error(kVtsiInvalid);
    return 1;
  }
  if (interleaved) {
    ui.Error("Interleave is included (Interleave not supported).");
    return 1;
  }
  return 0;
}

}  // namespace vm
