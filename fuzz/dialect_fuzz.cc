// The statement translator, for each dialect: any text; quoted material
// ('text' with '' escapes, "names", `names`, [names]) must come out in the
// same order, byte for byte, except that for PostgreSQL a closed `name` or
// [name] comes out as the same name "double-quoted".  Lifting numbers out
// must be undone exactly by putting them back, before and after translation.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/dialect.h"
#include "fuzz_util.h"

namespace {

using kt::suite::Dialect;

struct Run {
  std::string_view in;  // quotes included; an unclosed run reaches the end
  std::string out;      // what the translation must hold in its place
};

std::vector<Run> QuotedRuns(std::string_view s, Dialect dialect) {
  const bool postgres = dialect == Dialect::kPostgres;
  std::vector<Run> runs;
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
        doubling = postgres;  // SQLite has no escape inside brackets
        break;
      default:
        ++i;
        continue;
    }
    std::string name;
    bool closed = false;
    size_t j = i + 1;
    while (j < s.size()) {
      if (s[j] == close) {
        if (doubling && j + 1 < s.size() && s[j + 1] == close) {
          name += close;
          j += 2;
          continue;
        }
        ++j;
        closed = true;
        break;
      }
      if (s[j] == '"') name += '"';
      name += s[j++];
    }
    Run run{s.substr(i, j - i), std::string(s.substr(i, j - i))};
    if (postgres && closed && (open == '[' || open == '`')) run.out = '"' + name + '"';
    runs.push_back(std::move(run));
    i = j;
  }
  return runs;
}

void Check(std::string_view in, Dialect dialect) {
  const std::string out = kt::suite::Translate(in, dialect);
  size_t from = 0;
  for (const Run& run : QuotedRuns(in, dialect)) {
    const size_t at = out.find(run.out, from);
    if (at == std::string::npos) {
      kt::fuzz::Fail("quoted text changed", "run: " + std::string(run.in) + "\nwant: " + run.out +
                                                "\nin:  " + std::string(in) + "\nout: " + out);
    }
    from = at + run.out.size();
  }
  const kt::suite::LiftedStatement lifted = kt::suite::LiftLiterals(in, dialect);
  if (kt::suite::Unlift(lifted.shape, lifted.values, dialect) != in) {
    kt::fuzz::Fail("lifted numbers do not go back", "in:    " + std::string(in) + "\nshape: " + lifted.shape);
  }
  const std::string translated = kt::suite::Translate(lifted.shape, dialect);
  if (kt::suite::Unlift(translated, lifted.values, dialect) != out) {
    kt::fuzz::Fail("lifting changes the translation", "in:    " + std::string(in) +
                                                          "\nshape: " + lifted.shape + "\nout:   " + out +
                                                          "\nvia:   " + translated);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  Check(in, Dialect::kSqlite);
  Check(in, Dialect::kPostgres);
  return 0;
}
