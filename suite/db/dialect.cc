// Token-level rewriting of the library's statements.  The tokenizer knows
// just enough SQL to keep quoted material intact: single-quoted text with ''
// escapes, "double-quoted", [bracketed] and `backquoted` identifiers,
// numbers, words, blanks and single punctuation characters.
#include "db/dialect.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/vbtext.h"

namespace kt::suite {
namespace {

enum class Kind { kBlank, kText, kIdentifier, kNumber, kWord, kPunct };

struct Token {
  Kind kind;
  std::string_view text;
};

// ASCII classes, whatever locale the host has set: SQL keywords and the
// numbers spliced into statements are ASCII.
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsWordStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsWordChar(char c) {
  return IsWordStart(c) || IsDigit(c) || c == '$';
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Index one past the quoted run that starts at `begin` and closes with
// `close`; with `doubling`, a doubled closing character stands for itself.
// An unclosed run extends to the end of the text.
size_t SkipQuoted(std::string_view s, size_t begin, char close, bool doubling) {
  size_t i = begin + 1;
  while (i < s.size()) {
    if (s[i] == close) {
      if (doubling && i + 1 < s.size() && s[i + 1] == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return s.size();
}

// Digits with an optional fraction and exponent.  "7and" ends after the 7,
// "1e5" is one number, "7e" is the number 7 followed by the word "e".
size_t SkipNumber(std::string_view s, size_t i) {
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

// SQLite ends a [bracketed] name at the first ']'; for PostgreSQL the
// statement's ']]' stands for a ']' inside the name.
std::vector<Token> Tokenize(std::string_view s, Dialect dialect) {
  std::vector<Token> tokens;
  tokens.reserve(s.size() / 3 + 4);
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    size_t end;
    Kind kind;
    if (IsBlank(c)) {
      end = i + 1;
      while (end < s.size() && IsBlank(s[end])) ++end;
      kind = Kind::kBlank;
    } else if (c == '\'') {
      end = SkipQuoted(s, i, '\'', true);
      kind = Kind::kText;
    } else if (c == '"' || c == '`') {
      end = SkipQuoted(s, i, c, true);
      kind = Kind::kIdentifier;
    } else if (c == '[') {
      end = SkipQuoted(s, i, ']', dialect == Dialect::kPostgres);
      kind = Kind::kIdentifier;
    } else if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
      end = SkipNumber(s, i);
      kind = Kind::kNumber;
    } else if (IsWordStart(c)) {
      end = i + 1;
      while (end < s.size() && IsWordChar(s[end])) ++end;
      kind = Kind::kWord;
    } else {
      end = i + 1;
      kind = Kind::kPunct;
    }
    tokens.push_back({kind, s.substr(i, end - i)});
    i = end;
  }
  return tokens;
}

bool IsPunct(const Token& t, char c) {
  return t.kind == Kind::kPunct && t.text.size() == 1 && t.text[0] == c;
}

// A [bracketed] or `backquoted` name as a "double-quoted" one: the doubled
// closing character becomes one, a '"' is doubled.  A run that does not
// close is copied as it is.
void AppendDoubleQuoted(std::string_view run, std::string& out) {
  const char close = run[0] == '[' ? ']' : run[0];
  std::string name = "\"";
  for (size_t i = 1; i < run.size(); ++i) {
    if (run[i] == close) {
      if (i + 1 < run.size() && run[i + 1] == close) {
        name += close;
        ++i;
        continue;
      }
      out += name;  // the tokenizer ends a closed run at its closing character
      out += '"';
      return;
    }
    if (run[i] == '"') name += '"';
    name += run[i];
  }
  out += run;
}

class Rewriter {
 public:
  Rewriter(const std::vector<Token>& tokens, Dialect dialect) : t_(tokens), dialect_(dialect) {}

  // Rewrites tokens [begin, end) and appends the result to out.
  void Emit(size_t begin, size_t end, std::string& out) const {
    for (size_t i = begin; i < end; ++i) {
      const Token& tok = t_[i];
      if (tok.kind == Kind::kWord) {
        // A number glued to a word ("=7and") gets the blank SQLite needs.
        if (i > 0 && t_[i - 1].kind == Kind::kNumber) out += ' ';
        if (size_t next = IsNullCall(i, end); next != 0) {
          const size_t open = NextSignificant(i + 1, end);
          const size_t close = next - 1;
          std::string argument;
          Emit(open + 1, close, argument);
          out += '(';
          out += Trim(argument);
          out += " IS NULL)";
          i = close;
          continue;
        }
        if (dialect_ == Dialect::kPostgres) {
          if (const auto at = IifCall(i, end)) {
            static constexpr const char* kLead[] = {"CASE WHEN ", " THEN ", " ELSE "};
            for (size_t k = 0; k < 3; ++k) {
              std::string argument;
              Emit((*at)[k] + 1, (*at)[k + 1], argument);
              out += kLead[k];
              out += Trim(argument);
            }
            out += " END";
            i = (*at)[3];
            // ")AS x" is valid SQL; "ENDAS x" would not be.
            if (i + 1 < end && IsWordChar(t_[i + 1].text[0])) out += ' ';
            continue;
          }
        }
        if (const char* literal = BooleanLiteral(i, end)) {
          out += literal;
          continue;
        }
      }
      if (dialect_ == Dialect::kPostgres && tok.kind == Kind::kIdentifier && tok.text[0] != '"') {
        AppendDoubleQuoted(tok.text, out);
        continue;
      }
      out += tok.text;
    }
  }

 private:
  size_t NextSignificant(size_t i, size_t end) const {
    while (i < end && t_[i].kind == Kind::kBlank) ++i;
    return i;
  }
  // The nearest non-blank token before i, or null.
  const Token* PreviousSignificant(size_t i) const {
    while (i > 0) {
      --i;
      if (t_[i].kind != Kind::kBlank) return &t_[i];
    }
    return nullptr;
  }

  // A word that is part of a qualified name ("t.Yes", "Yes.col") or the
  // name given by AS is a name, not a keyword.
  bool IsNamePosition(size_t i, size_t end) const {
    const Token* before = PreviousSignificant(i);
    if (before != nullptr &&
        (IsPunct(*before, '.') || (before->kind == Kind::kWord && base::EqualsNoCase(before->text, "as")))) {
      return true;
    }
    const size_t after = NextSignificant(i + 1, end);
    return after < end && IsPunct(t_[after], '.');
  }

  // For "isnull (" ... ")" starting at word i: one past the closing
  // parenthesis; 0 when this is not such a call.
  size_t IsNullCall(size_t i, size_t end) const { return CallEnd(i, end, "isnull"); }

  // For "iif (" c "," a "," b ")" starting at word i: the positions of the
  // opening parenthesis, the two commas at the call's own level (commas of
  // nested parentheses belong to those) and the closing parenthesis; none
  // when this is not a call of three arguments.
  std::optional<std::array<size_t, 4>> IifCall(size_t i, size_t end) const {
    const size_t next = CallEnd(i, end, "iif");
    if (next == 0) return std::nullopt;
    std::array<size_t, 4> at{NextSignificant(i + 1, end), 0, 0, next - 1};
    size_t commas = 0;
    int depth = 0;
    for (size_t j = at[0] + 1; j < at[3]; ++j) {
      if (IsPunct(t_[j], '(')) {
        ++depth;
      } else if (IsPunct(t_[j], ')')) {
        --depth;
      } else if (depth == 0 && IsPunct(t_[j], ',')) {
        if (++commas > 2) return std::nullopt;
        at[commas] = j;
      }
    }
    if (commas != 2) return std::nullopt;
    return at;
  }

  // For "name (" ... ")" starting at word i, the word being `name` used as a
  // function: one past the closing parenthesis; 0 when this is not such a
  // call.
  size_t CallEnd(size_t i, size_t end, std::string_view name) const {
    if (!base::EqualsNoCase(t_[i].text, name) || IsNamePosition(i, end)) return 0;
    const size_t open = NextSignificant(i + 1, end);
    if (open >= end || !IsPunct(t_[open], '(')) return 0;
    int depth = 0;
    for (size_t j = open; j < end; ++j) {
      if (IsPunct(t_[j], '(')) ++depth;
      if (IsPunct(t_[j], ')') && --depth == 0) return j + 1;
    }
    return 0;  // unbalanced: leave the text as it is
  }

  const char* BooleanLiteral(size_t i, size_t end) const {
    const std::string_view w = t_[i].text;
    const char* literal = nullptr;
    if (base::EqualsNoCase(w, "yes") || base::EqualsNoCase(w, "true")) literal = "-1";
    if (base::EqualsNoCase(w, "no") || base::EqualsNoCase(w, "false")) literal = "0";
    if (literal == nullptr || IsNamePosition(i, end)) return nullptr;
    return literal;
  }

  static std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
  }

  const std::vector<Token>& t_;
  const Dialect dialect_;
};

}  // namespace

namespace {

bool IsWord(const Token* t, std::string_view word) {
  return t != nullptr && t->kind == Kind::kWord && base::EqualsNoCase(t->text, word);
}

// A number written the way std::to_string writes its value, so that putting
// the value back gives the same text.
bool CanonicalInteger(std::string_view text, int64_t& value) {
  if (text.empty() || text.size() > 18 || (text.size() > 1 && text[0] == '0')) return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

constexpr size_t kMaxLifted = 250;

LiftedStatement LiftLiterals(std::string_view statement, Dialect dialect) {
  LiftedStatement out;
  const std::vector<Token> tokens = Tokenize(statement, dialect);
  for (const Token& t : tokens) {
    if (IsPunct(t, '?')) {  // markers of its own: numbering them again would clash
      out.shape.assign(statement);
      return out;
    }
  }
  out.shape.reserve(statement.size() + 8);
  bool in_condition = false;
  int depth = 0;
  std::vector<int> in_lists;  // depths of the open IN ( ... ) lists
  const Token* prev = nullptr;
  const Token* before_prev = nullptr;
  for (const Token& t : tokens) {
    if (t.kind == Kind::kBlank) {
      out.shape += t.text;
      continue;
    }
    int64_t value = 0;
    bool lift = false;
    if (t.kind == Kind::kNumber && in_condition && prev != nullptr && CanonicalInteger(t.text, value)) {
      const bool compared = IsPunct(*prev, '=') || IsPunct(*prev, '<') || IsPunct(*prev, '>');
      const bool listed = !in_lists.empty() && in_lists.back() == depth &&
                          (IsPunct(*prev, ',') || (IsPunct(*prev, '(') && IsWord(before_prev, "in")));
      // Far fewer than either backend's limit on parameters.  A value beyond
      // 32 bits stays literal: PostgreSQL types a parameter compared with an
      // integer column as that column's type and would refuse it, where the
      // literal compares (and misses) as it does in SQLite.
      const bool fits = value >= INT32_MIN && value <= INT32_MAX;
      lift = (compared || listed) && fits && out.values.size() < kMaxLifted;
    }
    if (lift) {
      out.values.push_back(value);
      out.shape += '?';
      out.shape += std::to_string(out.values.size());
    } else {
      out.shape += t.text;
    }
    if (IsWord(&t, "where") || IsWord(&t, "on") || IsWord(&t, "set") || IsWord(&t, "having"))
      in_condition = true;
    if (IsPunct(t, '(')) {
      ++depth;
      if (IsWord(prev, "in")) in_lists.push_back(depth);
    } else if (IsPunct(t, ')')) {
      if (!in_lists.empty() && in_lists.back() == depth) in_lists.pop_back();
      --depth;
    }
    before_prev = prev;
    prev = &t;
  }
  return out;
}

std::string Unlift(std::string_view shape, std::span<const int64_t> values, Dialect dialect) {
  if (values.empty()) return std::string(shape);
  const std::vector<Token> tokens = Tokenize(shape, dialect);
  std::string out;
  out.reserve(shape.size() + 8 * values.size());
  for (size_t i = 0; i < tokens.size(); ++i) {
    int64_t n = 0;
    if (IsPunct(tokens[i], '?') && i + 1 < tokens.size() && tokens[i + 1].kind == Kind::kNumber &&
        CanonicalInteger(tokens[i + 1].text, n) && n >= 1 && static_cast<size_t>(n) <= values.size()) {
      out += std::to_string(values[static_cast<size_t>(n - 1)]);
      ++i;
      continue;
    }
    out += tokens[i].text;
  }
  return out;
}

std::string Translate(std::string_view statement, Dialect dialect) {
  const std::vector<Token> tokens = Tokenize(statement, dialect);
  std::string out;
  out.reserve(statement.size() + 16);
  Rewriter(tokens, dialect).Emit(0, tokens.size(), out);
  return out;
}

}  // namespace kt::suite
