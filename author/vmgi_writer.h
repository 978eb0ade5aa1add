// The video manager information of the new volume: VIDEO_TS.IFO and its
// identical VIDEO_TS.BUP, with the title search pointers, the optional
// first-play PGC and title sequencer, and the title set attributes read
// back from the VTS_tt_0.IFO files just written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "author/author_state.h"
#include "title/tables.h"

namespace vm {

constexpr size_t kVmgiImageBytes = 102400;

constexpr int kVmgiDone = 0;
constexpr int kVmgiFileError = 1;

// The region mask written at byte 0x23: RegionMask when set, else the
// source's, else 0xFD (region 2) when DC_Region is 0 and 0x00 otherwise.
uint8_t VmgiRegionMask(const TitleTables& t);

// Sectors of the VMGI for the current settings and DC_TitleNum.
int VmgiSectors(const TitleTables& t);

// Fills everything but the title set attribute records into `image`
// (kVmgiImageBytes, zeroed here); returns the length in sectors.
int BuildVmgi(const TitleTables& t, uint8_t* image);

// BuildVmgi, the attribute records from the written title set files, then
// the two files in a.OutputFolder. kVmgiDone or kVmgiFileError.
int WriteVmgi(const TitleTables& t, const AuthorState& a);

}  // namespace vm
