// The settings dialog: the external player, the playing time of a played
// range and the preview window switch of the history block.
#pragma once

#include "app/history.h"
#include "play/playback.h"

class QWidget;

namespace vm {

// The playing-time choices in list order; PlayingTime is an index here.
inline constexpr const char* kPlayingTimeTexts[kPlayingTimeChoices] = {
    "0.5", "1",  "2",  "3",  "4",  "5",  "6",   "7",   "8",   "9",   "10",
    "11",  "12", "13", "14", "15", "30", "60", "120", "180", "240", "300"};

// Modal over `owner`. On "&Set" the player path, the playing time and the
// preview switch are stored in `h`; any other way out leaves `h` as it was.
// True when it closed with "&Set" and PreviewEnable changed, so that the
// caller opens or closes the preview window.
bool RunSettingsDialog(QWidget* owner, HistoryBlock& h, const char* programFolder);

}  // namespace vm
