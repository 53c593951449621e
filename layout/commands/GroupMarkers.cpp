// The group markers that preprocessing writes for \group, \lengroup and
// \valgroup: saving and restoring at the opening and the close, and the
// records that let drawing restore the same state.
#include "frontend/Values.h"
#include "layout/commands/CommandEffects.h"
#include "layout/fonts/Fonts.h"
#include "layout/scopes/StateStacks.h"

namespace vel::fx {

int GroupMarker(State& st, int sub, bool insideBox, int& kind, int& value) {
  kind = cmd::GroupMark;
  value = -1;
  switch (sub) {
    case 1:
      SaveGroupVariables(st);
      kind = cmd::Inert;
      return 0;
    case 2: {
      if (st.groupVariablesList.empty()) return -1;
      RestoreGroupVariables(st);
      if (insideBox) return 0;  // a box is measured and drawn by the same walk
      // The settings as they were at the opening, for drawing.
      st.groupInfoList.push_back(GroupStyle{st.chr, st.para});
      value = static_cast<int>(st.groupInfoList.size()) - 1;
      return 0;
    }
    case 3: SaveLengthList(st); return 0;
    case 4: value = RestoreLengthList(st); return 0;
    case 5: SaveValueInfoList(st); return 0;
    case 6: RestoreValueInfoList(st); return 0;
    default: return 0;
  }
}

void ReplayGroupMarker(State& st, const WordInfo& w, bool draw) {
  if (!draw) return;
  switch (w.subType) {
    case 2:
      if (w.value >= 0 && w.value < static_cast<int>(st.groupInfoList.size()))
        ApplyGroupStyle(st, st.groupInfoList[static_cast<size_t>(w.value)]);
      break;
    case 4:
      if (w.value >= 0 && w.value < static_cast<int>(st.val.lengthRestoredList.size()))
        st.val.userLengthList = st.val.lengthRestoredList[static_cast<size_t>(w.value)];
      break;
    case 5: SaveValueInfoList(st); break;
    case 6: RestoreValueInfoList(st); break;
    default: break;
  }
}

}  // namespace vel::fx
