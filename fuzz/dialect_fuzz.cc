// The statement translator: any text; quoted material ('text' with ''
// escapes, "names", `names`, [names]) must come out byte for byte, in the
// same order.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/dialect.h"
#include "fuzz_util.h"

namespace {

// The quoted runs of a statement, quotes included.  An unclosed run reaches
// the end of the statement.
std::vector<std::string_view> QuotedRuns(std::string_view s) {
  std::vector<std::string_view> runs;
  size_t i = 0;
  while (i < s.size()) {
    const char open = s[i];
    char close;
    bool doubling = true;
    switch (open) {
      case '\'':
      case '"':
      case '`':
        close = open;
        break;
      case '[':
        close = ']';
        doubling = false;
        break;
      default:
        ++i;
        continue;
    }
    size_t j = i + 1;
    for (;;) {
      if (j >= s.size()) break;
      if (s[j] == close) {
        if (doubling && j + 1 < s.size() && s[j + 1] == close) {
          j += 2;
          continue;
        }
        ++j;
        break;
      }
      ++j;
    }
    runs.push_back(s.substr(i, j - i));
    i = j;
  }
  return runs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::string out = kt::suite::Translate(in);
  size_t from = 0;
  for (std::string_view run : QuotedRuns(in)) {
    const size_t at = out.find(run, from);
    if (at == std::string::npos) {
      kt::fuzz::Fail("quoted text changed",
                     "run: " + std::string(run) + "\nin:  " + std::string(in) + "\nout: " + out);
    }
    from = at + run.size();
  }
  return 0;
}
