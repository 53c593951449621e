// The compact word list gives back every word as it was written, whatever
// mix of text and command words, rewrites, insertions and shortening.
#include <gtest/gtest.h>

#include <vector>

#include "state/WordList.h"

namespace {

using vel::WordInfo;

WordInfo W(int kind, int sub = 0, int value = 0, int a = 0, int b = 0, int width = 7) {
  return WordInfo{width, 800, 200, kind, sub, value, a, b, 3, 9};
}

void ExpectSame(const vel::WordList& list, const std::vector<WordInfo>& model) {
  ASSERT_EQ(list.size(), model.size());
  size_t i = 0;
  for (const WordInfo w : list) {
    EXPECT_TRUE(w == model[i]) << "word " << i;
    ++i;
  }
}

TEST(WordList, KeepsEveryFieldThroughEditsLikeAVector) {
  vel::WordList list;
  std::vector<WordInfo> model;
  const std::vector<WordInfo> words = {W(0), W(50, 0, 12), W(0), W(131, 2, -5, 1 << 30, -1), W(-3), W(6, 1)};
  for (const WordInfo& w : words) {
    list.push_back(w);
    model.push_back(w);
  }
  ExpectSame(list, model);
  // A text word rewritten as a command word and back, a command word as text.
  for (auto [at, w] : {std::pair{0, W(8, 0, 4)}, {0, W(0, 0, 0, 0, 0, 9)}, {3, W(0)}, {1, W(42, 0, 0, 0, 77)}}) {
    list.set(size_t(at), w);
    model[size_t(at)] = w;
    ExpectSame(list, model);
  }
  list.insert(2, W(133, 1, 2, 3, 4));
  model.insert(model.begin() + 2, W(133, 1, 2, 3, 4));
  ExpectSame(list, model);
  // Taken off the end and added again, as a line that waits for the next column.
  const std::vector<WordInfo> tail = list.tail(3);
  list.resize(3);
  for (const WordInfo& w : tail) list.push_back(w);
  ExpectSame(list, model);
  list.resize(1);
  model.resize(1);
  ExpectSame(list, model);
  EXPECT_TRUE(list == vel::WordList{model[0]});
  EXPECT_FALSE(list == vel::WordList{W(0, 0, 0, 0, 1)});
}

}  // namespace
