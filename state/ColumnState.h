// State of the column builder: heights of the column being filled, floats
// and footnotes, background requests.
#pragma once

#include <string>
#include <vector>

#include "canvas/Canvas.h"

namespace vel {

struct BackgroundRequest {
  Color color = kWhite;
  std::string image;
  int count = 0;  // pages or columns still to receive it
};

// The running-head texts a heading sets (chapter, section, subsection).
struct HeadingTexts {
  std::string chapterTitle, chapterNum, sectionTitle, sectionNum, subsectionTitle, subsectionNum;
};

// A heading of the main text read ahead of the column its line ends up in:
// the texts before it, and its contents entry (-1: none).
struct HeadingMark {
  int word = 0;  // index of the heading's word in the main word list
  HeadingTexts before;
  int contentsLine = -1;
};

struct ColumnState {
  int columnsMade = 0;
  int sheets = 0;

  int textHeight = 0;     // running height of the lines in the column
  int textHeightMax = 0;  // and its maximum
  int prevLineSkip = 0;

  int topOfColumnHeight = 0;
  int topOfPageHeight = 0;
  int bottomOfColumnHeight = 0;
  int bottomOfPageHeight = 0;

  int footnotesInColumn = 0;  // also their insertion index in NowBottomOfColumnList
  int footnotesOnLine = 0;
  int footnotesPending = 0;

  BackgroundRequest pageColor, columnColor, pageImage, columnImage;
  int pagesSettled = 0;  // page records whose backgrounds are settled

  // The eight float queues: indexes into MiniPageList.
  std::vector<int> nowTopOfPage, waitingTopOfPage;
  std::vector<int> nowTopOfColumn, waitingTopOfColumn;
  std::vector<int> nowBottomOfPage, waitingBottomOfPage;
  std::vector<int> nowBottomOfColumn, waitingBottomOfColumn;

  // Headings not yet in a finished column, in text order: a column takes
  // the running heads and the contents page of those whose line it holds.
  std::vector<HeadingMark> headingsAhead;
};

}  // namespace vel
