// --where FILE:LINE and --what SHEET,X,Y: the viewer's lookups between the
// page and the source, for editors that drive them from the command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "driver/Engine.h"

namespace vel {

struct LookupQuery {
  bool where = false;  // --where; else --what
  std::string arg;
};

// Checks a query's form ("FILE:LINE" with LINE >= 1, "SHEET,X,Y" with
// millimetres); an empty result is good, else the reason.
std::string CheckLookup(const LookupQuery& q);

// Answers each query on one line of `out`, in the order asked:
//   --where: "SHEET X Y LINE", the sheet and the top-left corner (mm from
//            the sheet's top-left) of the line's first word, and the line
//            whose word it is (the next line that put a word on a sheet
//            when the line asked for put none);
//   --what:  "FILE:LINE:COLUMN" of the word at the point (native path);
//   "-" when there is no such word (or no typeset sheets).
void AnswerLookups(Engine& engine, const std::vector<LookupQuery>& queries, std::ostream& out);

}  // namespace vel
