// The statement dialect of the library's queries (an Access/Jet-like SQL)
// rewritten for SQLite or PostgreSQL.  Only the constructs the dialects spell
// differently are touched; quoted text never changes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kt::suite {

enum class Dialect { kSqlite, kPostgres };

// Rewrites one statement.  For both dialects:
//   isnull(x)            -> (x IS NULL)     (any case, blanks allowed before '(')
//   Yes, True / No, False -> -1 / 0         (whole words, not quoted, not part
//                                            of a qualified name, not a name
//                                            given with AS)
//   7and                 -> 7 and           (a number glued to a word)
// Everything else, spacing included, is copied unchanged.  iif() exists in
// SQLite with the same meaning and is passed through; [names] and `names`
// are left as they are.
//
// For PostgreSQL, in addition:
//   iif(c, a, b)         -> CASE WHEN c THEN a ELSE b END
//                           (any case, blanks allowed before '(', not a
//                           qualified name or a name given with AS; the
//                           arguments are split at the commas of the call's
//                           own level and trimmed)
//   [name], `name`       -> "name"  (']]' in brackets and '``' in backquotes
//                                    stand for one; '"' is doubled)
// An isnull or iif whose parentheses do not close, or an iif with other
// than three arguments, keeps its own text; what it encloses is still
// rewritten.  An unclosed [ or ` run is copied as it is.
std::string Translate(std::string_view statement, Dialect dialect = Dialect::kSqlite);

// The library splices ids into its statements, so nearly every call sends a
// text never seen before, and a cache keyed by text would translate, parse
// and plan each one afresh.  Lifting takes those numbers out: every integer
// literal that a WHERE, ON, SET or HAVING part compares (after =, <>, <, >,
// <=, >=) or lists in IN (...) becomes a marker ?1, ?2, ... and its value is
// returned to be bound, so calls that differ only in ids share one shape.
// Binding the value compares exactly as the literal did.  Numbers elsewhere
// (the select list, ORDER BY 1, LIMIT), signed, decimal, with leading zeros
// or beyond 32 bits stay in the text, as does everything of a statement that already has a
// '?' of its own.  The shape is in the library's dialect: translate it next.
struct LiftedStatement {
  std::string shape;
  std::vector<int64_t> values;
};
LiftedStatement LiftLiterals(std::string_view statement, Dialect dialect = Dialect::kSqlite);

// A lifted (or lifted and translated) statement with its markers replaced
// by their values again: the statement as it ran, for messages.
std::string Unlift(std::string_view shape, std::span<const int64_t> values,
                   Dialect dialect = Dialect::kSqlite);

}  // namespace kt::suite
