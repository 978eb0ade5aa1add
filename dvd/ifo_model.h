// One information file (VIDEO_TS.IFO or VTS_nn_0.IFO, or its BUP) read once
// into plain tables, and written back from them.
//
// Reading keeps every byte the tables do not interpret (the head sector's
// unnamed bytes, gaps and padding between and inside tables, unknown
// tails), so writing an unchanged model gives back the same bytes. Writing
// lays the tables out in their source order, each from a sector boundary,
// and recomputes every start sector, offset and end address from the
// sizes, so a model whose tables grew (a chain with more cells, a longer
// time map) is written correctly.
//
// Editing a model: change a table's fields and counts in place (a chain's
// cellCount with its cells and positions, a time map's first and count over
// VtsTmapt::entry); the kept bytes stay where they were relative to their
// table. A new chain is ClearPgc'd, given its tables (Pgc::has), put in
// `pgcs` and named by a search pointer and the table's `order`. Bytes a
// caller wants kept are added to `bytes` (BytePool::Add).
//
// A model is large (its tables are sized at the format's limits): hold one
// in static storage or allocate it once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dvd/c_adt.h"
#include "dvd/ifo_status.h"
#include "dvd/kept_bytes.h"
#include "dvd/pgci_ut.h"
#include "dvd/ptl_mait.h"
#include "dvd/tt_srpt.h"
#include "dvd/txtdt_mg.h"
#include "dvd/vmgi_mat.h"
#include "dvd/vobu_admap.h"
#include "dvd/vts_atrt.h"
#include "dvd/vts_pgcit.h"
#include "dvd/vts_ptt_srpt.h"
#include "dvd/vts_tmapt.h"
#include "dvd/vtsi_mat.h"

namespace vm::dvd {

enum class IfoKind : uint8_t { kVmg, kVts };

enum class IfoTable : uint8_t {
  // VIDEO_TS.IFO
  kTtSrpt,
  kVmgmPgciUt,
  kPtlMait,
  kVtsAtrt,
  kTxtdtMg,
  kVmgmCadt,
  kVmgmVobuAdmap,
  // VTS_nn_0.IFO
  kVtsPttSrpt,
  kVtsPgcit,
  kVtsmPgciUt,
  kVtsTmapt,
  kVtsmCadt,
  kVtsmVobuAdmap,
  kVtsCadt,
  kVtsVobuAdmap,
};

const char* IfoTableName(IfoTable t);

constexpr int kMaxIfoTables = 8;

struct TableSlot {
  IfoTable table;
  Keep after;  // bytes after its end up to the next table or the file's end
};

struct IfoModel {
  IfoKind kind;
  VmgiMat vmgi;  // the head of VIDEO_TS.IFO
  VtsiMat vtsi;  // the head of VTS_nn_0.IFO
  // The file from its start up to the first table; the head's fields and
  // the first-play chain are written over it.
  Keep head;
  int firstPlay;                    // VIDEO_TS.IFO's first-play chain in `pgcs`, -1 none
  uint32_t firstPlaySourceEnd;      // where it ended in the source
  int64_t matEndAfterFirstPlay;     // head end address minus the chain's end; -1 unrelated
  uint32_t sourceSectors;           // sectors of the file read; 0 for a model built afresh
  bool refused;                     // the last read failed: the model holds part of a file

  // The tables present, in the order they lie.
  int tableCount;
  TableSlot tables[kMaxIfoTables];

  TtSrpt ttSrpt;
  PgciUt menuPgciUt;  // VMGM_PGCI_UT or VTSM_PGCI_UT
  PtlMait ptlMait;
  VtsAtrt vtsAtrt;
  TxtdtMg txtdtMg;
  VtsPttSrpt pttSrpt;
  Pgcit pgcit;
  VtsTmapt tmapt;
  Cadt menuCadt;
  Cadt titleCadt;
  VobuAdmap menuVobuAdmap;
  VobuAdmap titleVobuAdmap;

  PgcPool pgcs;      // every chain of the file, referenced by index
  BytePool bytes;    // the source file, then bytes callers add

  bool Has(IfoTable t) const {
    for (int i = 0; i < tableCount; ++i)
      if (tables[i].table == t) return true;
    return false;
  }
};

// Reads `size` bytes of an information file into `m`. On failure `st` says
// why and the model is marked refused: WriteIfo will not write it.
bool ReadIfo(const uint8_t* data, size_t size, IfoModel& m, IfoStatus& st);

// Reads the file at `path` (at most kMaxIfoBytes) straight into the model.
bool ReadIfoFile(const char* path, IfoModel& m, IfoStatus& st);

// Lays the model out into `out` (capacity `capacity`); `size` is the file's
// length, a whole number of sectors. For a model that was read, the menu
// and title VOB start sectors and the set's last sector move by the change
// in the file's sectors (twice that for the last sector: the BUP moves
// too).
bool WriteIfo(const IfoModel& m, uint8_t* out, size_t capacity, size_t& size, IfoStatus& st);

}  // namespace vm::dvd
