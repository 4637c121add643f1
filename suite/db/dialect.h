// The statement dialect of the library's queries (an Access/Jet-like SQL)
// rewritten for SQLite or PostgreSQL.  Only the constructs the dialects spell
// differently are touched; quoted text never changes.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace kt::suite
