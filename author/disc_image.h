// The disc image of a written volume: an ISO 9660 file system with the UDF
// bridge DVD players read, VIDEO_TS and an empty AUDIO_TS at its root, made
// by genisoimage -dvd-video (or mkisofs) run without a shell.
#pragma once

#include <string>

namespace vm {

class Ui;

inline constexpr const char kDefaultVolumeId[] = "DVD_VIDEO";

// An ISO 9660 volume identifier: 1 to 32 of A-Z, 0-9 and '_'.
bool ValidVolumeId(const std::string& id);

// False (with the reason) when `iso` is a path the image may not take: in
// the input folder or any folder below it, or in the output folder it is
// made from or below it.
bool DiscImagePathAllowed(const std::string& iso, const std::string& inputFolder,
                          const std::string& outputFolder, std::string& why);

// Writes `iso` from the folder `videoTs` (the written VIDEO_TS files).
// The image goes through the output check against `inputFolder`; it is made
// under a temporary name beside `iso` and renamed into
// place, so a failure leaves an older file of that name as it was. Shows
// "genisoimage is not installed (install the genisoimage package)." or
// "Can't create %s." through `ui`; 0 written, 1 not. Waiting input runs
// through `ui` while the image is made; a stop request ends the tool and
// counts as a failure.
int WriteDiscImage(Ui& ui, const std::string& videoTs, const std::string& iso,
                   const std::string& volumeId, const char* inputFolder);

}  // namespace vm
