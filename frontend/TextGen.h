// Text generators: dates, full-width forms, kanji numerals, letters,
// Roman numerals, file-name extensions. All texts CP932.
#pragma once

#include <string>
#include <string_view>

#include "state/PreprocState.h"

namespace vel {

std::string GetDateStr(const RunClock& clock, std::string_view format);
std::string MonthStr(int month, int tokenLength);
std::string DayOfWeekStr(int dayOfWeek, int tokenLength);
std::string ToZenkaku(std::string_view text);
std::string ToKanNum(std::string_view digits);
std::string ToAlpha(int n, bool upper);
std::string ToRom(int n, bool upper);
std::string GetKakuchoshi(std::string_view name);

}  // namespace vel
