// The statement dialect of the library's queries (an Access/Jet-like SQL)
// rewritten for SQLite.  Only the constructs the two dialects spell
// differently are touched; quoted text and quoted identifiers never change.
#pragma once

#include <string>
#include <string_view>

namespace kt::suite {

// Rewrites one statement:
//   isnull(x)            -> (x IS NULL)     (any case, blanks allowed before '(')
//   Yes, True / No, False -> -1 / 0         (whole words, not quoted, not part
//                                            of a qualified name, not a name
//                                            given with AS)
//   7and                 -> 7 and           (a number glued to a word)
// Everything else, spacing included, is copied unchanged.  iif() exists in
// SQLite with the same meaning and is passed through.
std::string Translate(std::string_view statement);

}  // namespace kt::suite
