// Save/Restore and Clear operations of the typesetting state, and the
// page snapshots.
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

// The state as a page snapshot (without background).
PageInfo MakePageSnapshot(const State& st);
// Writes a snapshot back (fonts re-derived, lengths republished).
void RestorePageSnapshot(State& st, const PageInfo& p);
// The settings part of a snapshot (fonts, rules, separations, skips,
// indents, math modes), without lengths, counters and the item level.
void ApplySnapshotSettings(State& st, const PageInfo& p);
// Publishes the lengths that mirror those settings under their names.
void PublishSettingLengths(State& st);

}  // namespace vel
