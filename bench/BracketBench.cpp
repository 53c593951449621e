// Matching of \left...\right: the outermost match of a formula nested N
// deep (lrGroup alone) and the preprocessing of a document that is that
// one formula (its math pass matches every \left), for doubling N. Linear
// matching doubles the times with N; searching afresh from every bracket
// quadrupled them (20,000 levels took seconds). Prints its figures;
// asserts nothing.
//
// usage: bench_brackets [MAX_DEPTH]   (default 80000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frontend/Lexical.h"
#include "frontend/Reform.h"

using namespace vel;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

std::string nested(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "\\left( ";
  s += "x";
  for (int i = 0; i < depth; ++i) s += " \\right)";
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int maxDepth = argc > 1 ? std::max(1, std::atoi(argv[1])) : 80000;
  std::printf("%8s %12s %16s %12s\n", "depth", "lrGroup ms", "preprocess ms", "ns/level");
  for (int depth = 2500; depth <= maxDepth; depth *= 2) {
    const std::string f = nested(depth);
    auto a = Clock::now();
    const size_t end = lrGroup(f, 5);
    const double match = msSince(a);
    State st;
    st.sourceLines = {"\\documentstyle{10.5,a4t}", "\\begindocument", "$" + f + "$"};
    a = Clock::now();
    const ReformFailure r = ReformProc(st);
    const double pass = msSince(a);
    if (end == npos || !r.ok()) {
      std::fprintf(stderr, "depth %d: the formula was refused\n", depth);
      return 1;
    }
    std::printf("%8d %12.2f %16.1f %12.0f\n", depth, match, pass, pass * 1e6 / depth);
  }
  return 0;
}
