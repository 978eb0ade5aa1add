// The texts both kinds of volume creation show: the fresh volume of one
// title and the whole disc written back.
#pragma once

namespace vm {

inline constexpr char kNoContents[] = "DVD contents are none.";
inline constexpr char kCreating[] = "DVD-Video volume creating";
inline constexpr char kVobCreateError[] = "VOB file create error.";
inline constexpr char kTooManyCells[] = "Number of cells > 255.\nReduce number of chapters.";
inline constexpr char kStopped[] = "DVD-Video volume creating process is stopped.";
inline constexpr char kVtsiError[] = "Can't create VTS_##_0.* file.";
inline constexpr char kVmgiError[] = "Can't create VIDEO_TS.* file.";

}  // namespace vm
