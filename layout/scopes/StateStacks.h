// Save/Restore and Clear operations of the typesetting state, and the
// page snapshots. Saving is keeping a copy of a style value; restoring is
// applying the copy, which derives what follows from it here and nowhere
// else.
#pragma once

#include "state/State.h"

namespace vel {

void SaveGroupVariables(State& st);
void RestoreGroupVariables(State& st);
void SaveBoxVariables(State& st);
void RestoreBoxVariables(State& st);
void SaveMiniPageVariables(State& st);
void RestoreMiniPageVariables(State& st);

void ClearWordInfoList(State& st);
void ClearLineInfoList(State& st);
void ClearColumnInfoList(State& st);
void ClearPageInfoList(State& st);
void ClearBoxList(State& st);
void ClearMiniPageList(State& st);
void ClearFloatQueues(State& st);
void ClearGroupVariablesList(State& st);
void ClearBoxVariablesList(State& st);
void ClearMiniPageVariablesList(State& st);
void ClearGroupInfoList(State& st);

// Makes a saved character style current; the font metrics and the spacing
// units are derived from it.
void ApplyCharStyle(State& st, const CharStyle& c);
// Makes saved group settings current: the character style as above, the
// paragraph style, and the lengths that mirror the settings republished.
void ApplyGroupStyle(State& st, const GroupStyle& g);
// Publishes the lengths that mirror the settings under their names.
void PublishSettingLengths(State& st);

// The state as a page snapshot (without background).
PageInfo MakePageSnapshot(const State& st);
// Writes a snapshot back: lengths, settings (metrics re-derived), the item
// level and the counters.
void RestorePageSnapshot(State& st, const PageInfo& p);

}  // namespace vel
