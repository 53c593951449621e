// Stores read by expressions: named values, built-in and user lengths,
// counters and value registers, with their save/restore stacks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "state/State.h"

namespace vel {

void SetValueList(State& st, std::string_view name, double v);
void SetLengthList(State& st, std::string_view name, int v);
// The value of a built-in length, or `fallback` when there is none.
int LengthOf(const State& st, std::string_view name, int fallback = 0);
double ValueOf(const State& st, std::string_view name, double fallback = 0);
// A user length by its name as written (without the backslash), or
// `fallback` when none is defined; the assignment to a defined one (false
// when the name is not defined).
int UserLengthOf(const State& st, std::string_view name, int fallback = 0);
bool SetUserLength(State& st, std::string_view name, int v);

void SaveValueInfoList(State& st);
void RestoreValueInfoList(State& st);
void SaveLengthList(State& st);
// Replaces the user lengths by the top saved copy and returns the copy's
// index in LengthRestoredList; with nothing saved, the lengths stay and -1
// is returned.
int RestoreLengthList(State& st);
void ClearValueInfoList(State& st);
// Frees every saved copy in the stack or list (LengthSaveInfoList,
// LengthRestoredList).
void ClearLengthSaveInfoList(std::vector<Shared<LengthNameList>>& list);

// A user length name as stored: without the backslash, padded with 'Z' to
// five characters.
std::string PaddedLengthName(std::string_view name);

}  // namespace vel
