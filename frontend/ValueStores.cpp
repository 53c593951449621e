#include "frontend/Values.h"

#include <algorithm>

namespace vel {

void SetValueList(State& st, std::string_view name, double v) { st.val.valueList.Set(name, v); }

void SetLengthList(State& st, std::string_view name, int v) {
  // Unchanged values leave the list shared with the page snapshots.
  const int i = st.val.lengthList->Find(name);
  if (i < 0) {
    st.val.lengthList.mut().Add(std::string(name), v);
  } else if ((*st.val.lengthList)[i].value != v) {
    st.val.lengthList.mut()[i].value = v;
  }
}

int LengthOf(const State& st, std::string_view name, int fallback) {
  int i = st.val.lengthList->Find(name);
  return i < 0 ? fallback : (*st.val.lengthList)[i].value;
}

double ValueOf(const State& st, std::string_view name, double fallback) {
  int i = st.val.valueList.Find(name);
  return i < 0 ? fallback : st.val.valueList[i].value;
}

int UserLengthOf(const State& st, std::string_view name, int fallback) {
  const int i = st.val.userLengthList->Find(PaddedLengthName(name));
  return i < 0 ? fallback : (*st.val.userLengthList)[i].value;
}

bool SetUserLength(State& st, std::string_view name, int v) {
  const int i = st.val.userLengthList->Find(PaddedLengthName(name));
  if (i < 0) return false;
  st.val.userLengthList.mut()[i].value = v;
  return true;
}

void SaveValueInfoList(State& st) {
  std::array<double, 52> copy;
  std::copy_n(st.val.registers.begin(), 52, copy.begin());
  st.val.valueInfoList.push_back(copy);
}

void RestoreValueInfoList(State& st) {
  if (st.val.valueInfoList.empty()) return;
  std::copy_n(st.val.valueInfoList.back().begin(), 52, st.val.registers.begin());
  st.val.valueInfoList.pop_back();
}

void SaveLengthList(State& st) { st.val.lengthSaveInfoList.push_back(st.val.userLengthList); }

int RestoreLengthList(State& st) {
  if (st.val.lengthSaveInfoList.empty()) return -1;
  st.val.userLengthList = std::move(st.val.lengthSaveInfoList.back());
  st.val.lengthSaveInfoList.pop_back();
  st.val.lengthRestoredList.push_back(st.val.userLengthList);
  return static_cast<int>(st.val.lengthRestoredList.size()) - 1;
}

void ClearValueInfoList(State& st) { st.val.valueInfoList.clear(); }

void ClearLengthSaveInfoList(std::vector<Shared<LengthNameList>>& list) { list.clear(); }

std::string PaddedLengthName(std::string_view name) {
  std::string n(name);
  if (!n.empty() && n[0] == '\\') n.erase(0, 1);
  while (n.size() < 5) n += 'Z';
  return n;
}

}  // namespace vel
