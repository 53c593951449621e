#include "cli/Lookups.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "base/Units.h"
#include "driver/SourceLookup.h"

namespace vel {

namespace {

bool splitWhere(const std::string& arg, std::string& file, int& line) {
  const size_t colon = arg.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  char tail;
  if (std::sscanf(arg.c_str() + colon + 1, "%d%c", &line, &tail) != 1 || line < 1) return false;
  file = arg.substr(0, colon);
  return true;
}

bool splitWhat(const std::string& arg, int& sheet, double& x, double& y) {
  char tail;
  return std::sscanf(arg.c_str(), "%d,%lf,%lf%c", &sheet, &x, &y, &tail) == 3 && sheet >= 1 && std::isfinite(x) &&
         std::isfinite(y);
}

std::string mm(int units) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", units / units::kPerMM);
  return b;
}

int toUnits(double millimetres) {
  return static_cast<int>(std::lround(std::clamp(millimetres, -1e5, 1e5) * units::kPerMM));
}

}  // namespace

std::string CheckLookup(const LookupQuery& q) {
  std::string file;
  int line = 0, sheet = 0;
  double x = 0, y = 0;
  if (q.where) return splitWhere(q.arg, file, line) ? "" : "bad value for --where (FILE:LINE)";
  return splitWhat(q.arg, sheet, x, y) ? "" : "bad value for --what (SHEET,X,Y in mm)";
}

void AnswerLookups(Engine& engine, const std::vector<LookupQuery>& queries, std::ostream& out) {
  State* st = engine.state();
  std::optional<SourceLookup> lookup;
  if (st) lookup.emplace(*st);
  for (const LookupQuery& q : queries) {
    std::string answer = "-";
    if (lookup && q.where) {
      std::string file;
      int line = 0, found = 0;
      splitWhere(q.arg, file, line);
      if (auto p = lookup->where(file, line, &found))
        answer = std::to_string(p->sheet) + " " + mm(p->left) + " " + mm(p->top) + " " + std::to_string(found);
    } else if (lookup) {
      int sheet = 0;
      double x = 0, y = 0;
      splitWhat(q.arg, sheet, x, y);
      if (auto s = lookup->what(sheet, toUnits(x), toUnits(y)))
        answer = s->path + ":" + std::to_string(s->line) + ":" + std::to_string(s->column);
    }
    out << answer << "\n";
  }
}

}  // namespace vel
