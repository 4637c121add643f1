// The statement translator: each rewrite rule, as text for both backends and
// as run against the suite schema with the demo rows.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "db/database.h"
#include "db/dialect.h"
#include "suite_test_util.h"

namespace kt::suite {
namespace {

using testing::NewTestDatabase;
using testing::OnPostgres;

// One statement: its translation for SQLite ("": unchanged) and for
// PostgreSQL ("": the same as for SQLite) and, run on a fresh demo database,
// the rows it returns (-1: not run) and the first row's value of one column
// (nullptr: not checked; "NULL" for Null).
struct Case {
  const char* name;
  std::string input, expected, pg_expected;
  int rows;
  const char* column;
  const char* first_value;
};

const Case kCases[] = {
    // The statements of the class logic that only scripted fakes see elsewhere
    // (the subscriber's statements run on the demo database in its own tests).
    {"RevisionCompany",
     "SELECT DISTINCT PNS.Company_ID as COMPANYID,PTR.panel_type_rev_id  FROM (((panel_names as PNS INNER "
     "JOIN panel_type_revision as PTR ON PNS.panel_name_id = PTR.panel_name_id ) LEFT JOIN "
     "panel_name_substitute_or_adds  as PNSA ON (PNS.panel_name_id = PNSA.panel_name_id )) ) WHERE "
     "PTR.panel_type_rev_id=300",
     "", "", 1, "COMPANYID", "1"},
    {"StateData",
     "SELECT Panel_type_Rev_ID, Command_ID, Sequence_Number, State_Data FROM StateData  where "
     "Panel_type_Rev_ID=300 and Sequence_Number=1",
     "", "", 2, nullptr, nullptr},
    {"TcpIp", "SELECT tcp_ip_value FROM panel_type_revision WHERE panel_type_rev_id = 300", "", "", 1,
     "tcp_ip_value", "-1"},
    // The shape of the panel-name statements: a subquery compared with Yes, iif in iif, blanks inside.
    {"IifOfSubqueryAndIsNull",
     "SELECT iif( ( Select -1)  =   Yes ,  iif(isnull(NULL ) ,'a', 'b') , 'c') AS a",
     "SELECT iif( ( Select -1)  =   -1 ,  iif((NULL IS NULL) ,'a', 'b') , 'c') AS a",
     "SELECT CASE WHEN ( Select -1)  =   -1 THEN CASE WHEN (NULL IS NULL) THEN 'a' ELSE 'b' END ELSE 'c' END "
     "AS a",
     1, "a", "a"},
    {"NumberGluedToAnd", "SELECT 1 AS a WHERE 7 =7and 12 =12", "SELECT 1 AS a WHERE 7 =7 and 12 =12", "", 1,
     "a", "1"},
    // Each rewrite rule and what passes through.
    {"QuotedTextUntouched", "UPDATE panel SET panel_phone = 'Yes 7and isnull(x) -- ''q''' WHERE Panel_ID = 1",
     "", "", 0, nullptr, nullptr},
    {"DoubleQuotedName", "SELECT 1 AS \"Yes\", \"No\".x FROM (SELECT 2 AS x) \"No\"", "", "", 1, "Yes", "1"},
    {"BracketedName", "SELECT [No] FROM (SELECT 3 AS [No]) t", "",
     "SELECT \"No\" FROM (SELECT 3 AS \"No\") t", 1, "No", "3"},
    {"QualifiedAndAliasNames", "SELECT t.Yes, t.no FROM (SELECT 4 AS Yes, 5 AS No) t", "", "", 1, "no", "5"},
    {"BooleansAnyCase", "SELECT TRUE AS a, yes AS b, False AS c, NO AS d",
     "SELECT -1 AS a, -1 AS b, 0 AS c, 0 AS d", "", 1, "a", "-1"},
    {"WordsContainingBooleans",
     "SELECT Yesterday, Notes, Nobody FROM (SELECT 1 AS Yesterday, 2 AS Notes, 3 AS Nobody) t", "", "", 1,
     "Notes", "2"},
    {"IsNullAnyCaseBlankBeforeParen", "SELECT IsNull (NULL) AS a, ISNULL(1) AS b",
     "SELECT (NULL IS NULL) AS a, (1 IS NULL) AS b", "", 1, "a", "1"},
    {"IsNullNestedParentheses", "SELECT isnull(((1)+(2))) AS a", "SELECT (((1)+(2)) IS NULL) AS a", "", 1,
     "a", "0"},
    {"IsNullInsideIsNull", "SELECT isnull(iif(isnull(NULL), NULL, 1)) AS a",
     "SELECT (iif((NULL IS NULL), NULL, 1) IS NULL) AS a",
     "SELECT (CASE WHEN (NULL IS NULL) THEN NULL ELSE 1 END IS NULL) AS a", 1, "a", "1"},
    {"IsNullArgumentWithQuotedParen", "SELECT isnull(')' || 'x') AS a", "SELECT (')' || 'x' IS NULL) AS a",
     "", 1, "a", "0"},
    {"YesInsideIsNull", "SELECT isnull( Yes ) AS a", "SELECT (-1 IS NULL) AS a", "", 1, "a", "0"},
    {"NumberGluedToOr", "SELECT 1 AS a WHERE 1 =2Or 3 =3", "SELECT 1 AS a WHERE 1 =2 Or 3 =3", "", 1, "a",
     "1"},
    {"NumberGluedToYes", "SELECT 1 AS a WHERE -1 =-1and 1=1", "SELECT 1 AS a WHERE -1 =-1 and 1=1", "", 1,
     "a", "1"},
    {"ExponentStaysNumber", "SELECT 1e2 AS a, 2.5E-1 AS b", "", "", 1, "b", "0.2"},
    {"UnbalancedIsNullUnchanged", "SELECT isnull(a", "", "", -1, nullptr, nullptr},
    {"IsNullAsColumnName", "SELECT x.isnull FROM t x", "", "", -1, nullptr, nullptr},
    // What PostgreSQL alone gets: iif as CASE, [names] and `names` double-quoted.
    {"IifNested", "SELECT iif(1 = 2, 'x', IIF (isnull(NULL), iif(1=1, 'y', 'n'), 'z')) AS a",
     "SELECT iif(1 = 2, 'x', IIF ((NULL IS NULL), iif(1=1, 'y', 'n'), 'z')) AS a",
     "SELECT CASE WHEN 1 = 2 THEN 'x' ELSE CASE WHEN (NULL IS NULL) THEN CASE WHEN 1=1 THEN 'y' ELSE 'n' END "
     "ELSE 'z' END END AS a",
     1, "a", "y"},
    {"IifCommasInQuotesAndParentheses", "SELECT iif( 'a,b' = 'a,b' , substr('xyz', 1, 2), ')' ) AS a", "",
     "SELECT CASE WHEN 'a,b' = 'a,b' THEN substr('xyz', 1, 2) ELSE ')' END AS a", 1, "a", "xy"},
    {"IifWordGluedAfterCall", "SELECT iif(1=1, 1, 0)AS a", "", "SELECT CASE WHEN 1=1 THEN 1 ELSE 0 END AS a",
     1, "a", "1"},
    {"IifNotThreeArgumentsUnchanged", "SELECT iif(isnull(x), Yes) AS a, iif(a, b, c, d) AS b FROM t",
     "SELECT iif((x IS NULL), -1) AS a, iif(a, b, c, d) AS b FROM t", "", -1, nullptr, nullptr},
    {"IifUnbalancedUnchanged", "SELECT iif(a, b, (c)", "", "", -1, nullptr, nullptr},
    {"IifQualifiedNameUnchanged", "SELECT s.iif(a, b, c) FROM t", "", "", -1, nullptr, nullptr},
    {"BracketAndBackquoteNames", "SELECT [x y], [a]]b], [c\"d], `e``f`, \"g\", '[h] `i`' FROM t", "",
     "SELECT \"x y\", \"a]b\", \"c\"\"d\", \"e`f\", \"g\", '[h] `i`' FROM t", -1, nullptr, nullptr},
    {"UnclosedBracketUnchanged", "SELECT [a]] FROM t", "", "", -1, nullptr, nullptr},
};

std::string AsText(const Value& v) {
  char real[64];
  if (v.type == Value::Type::kReal) snprintf(real, sizeof real, "%.1f", v.real);
  return v.IsNull()                        ? "NULL"
         : v.type == Value::Type::kInteger ? std::to_string(v.integer)
         : v.type == Value::Type::kReal    ? std::string(real)
                                           : v.text;
}

// The statement run on a fresh demo database.
RowSet RunOnDemo(const std::string& statement) {
  kt::test::TempFolder dir;
  const std::string target = NewTestDatabase(dir / "Suite.db");
  EXPECT_EQ(CreateSuiteDatabase(target, true), "");
  Database db(target);
  RowSet rows;
  std::string error;
  EXPECT_TRUE(db.Execute(statement, rows, error)) << error;
  return rows;
}

class TranslateTest : public ::testing::TestWithParam<Case> {};

TEST_P(TranslateTest, TranslatesAndRuns) {
  const Case& c = GetParam();
  const std::string sqlite = c.expected.empty() ? c.input : c.expected;
  EXPECT_EQ(Translate(c.input), sqlite);
  EXPECT_EQ(Translate(c.input, Dialect::kPostgres), c.pg_expected.empty() ? sqlite : c.pg_expected);
  if (c.rows < 0) return;
  const RowSet rows = RunOnDemo(c.input);
  EXPECT_EQ(static_cast<int>(rows.rows.size()), c.rows);
  if (c.column == nullptr || rows.rows.empty()) return;
  size_t i = 0;
  while (i < rows.columns.size() && !base::EqualsNoCase(rows.columns[i], c.column)) ++i;
  ASSERT_LT(i, rows.columns.size()) << c.column;
  EXPECT_EQ(AsText(rows.rows[0][i]), c.first_value);
}

INSTANTIATE_TEST_SUITE_P(Statements, TranslateTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Numbers a condition compares or lists become markers; everything else
// stays text.  Putting the values back gives the statement again.
struct LiftCase {
  const char* name;
  std::string input, shape;
  std::vector<int64_t> values;
};

const LiftCase kLiftCases[] = {
    {"ComparedId",
     "SELECT a FROM t WHERE PTR.panel_type_rev_id=300",
     "SELECT a FROM t WHERE PTR.panel_type_rev_id=?1",
     {300}},
    {"GluedToAnd",
     "SELECT x FROM t WHERE Family_id =7and Product_id <>12",
     "SELECT x FROM t WHERE Family_id =?1and Product_id <>?2",
     {7, 12}},
    {"InList",
     "SELECT x FROM t LEFT JOIN u ON (a = b AND c IN (1,2,5 ))",
     "SELECT x FROM t LEFT JOIN u ON (a = b AND c IN (?1,?2,?3 ))",
     {1, 2, 5}},
    {"Beyond32BitsStays",
     "SELECT x FROM t WHERE a IN (2147483647,2147483648) AND b = 4294967296",
     "SELECT x FROM t WHERE a IN (?1,2147483648) AND b = 4294967296",
     {2147483647}},
    {"UpdateSetAndWhere", "update b set state=3 where Id =12", "update b set state=?1 where Id =?2", {3, 12}},
    {"SubqueryInList",
     "SELECT x FROM t WHERE a IN (SELECT b FROM u WHERE c >= 4) AND d < 0",
     "SELECT x FROM t WHERE a IN (SELECT b FROM u WHERE c >= ?1) AND d < ?2",
     {4, 0}},
    {"SelectListOrderLimitStay",
     "SELECT 1 AS a, 2 = 2 AS b FROM t WHERE 3 = 4 ORDER BY 1 LIMIT 5",
     "SELECT 1 AS a, 2 = 2 AS b FROM t WHERE 3 = ?1 ORDER BY 1 LIMIT 5",
     {4}},
    {"SignedDecimalPaddedHugeStay",
     "SELECT x FROM t WHERE a = -1 AND b = 1.5 AND c = 007 AND d = 1e3 AND e = 99999999999999999999 AND f "
     "IN (2147483648)",
     "",
     {}},
    {"QuotedStays", "UPDATE panel SET panel_phone = '= 7' WHERE \"x=1\" = 'IN (2)'", "", {}},
    {"OwnMarkersLeaveAll", "SELECT x FROM t WHERE a = ?1 AND b = 2", "", {}},
};

class LiftTest : public ::testing::TestWithParam<LiftCase> {};

TEST_P(LiftTest, LiftsAndPutsBack) {
  const LiftCase& c = GetParam();
  for (Dialect d : {Dialect::kSqlite, Dialect::kPostgres}) {
    const LiftedStatement lifted = LiftLiterals(c.input, d);
    EXPECT_EQ(lifted.shape, c.shape.empty() ? c.input : c.shape);
    EXPECT_EQ(lifted.values, c.values);
    EXPECT_EQ(Unlift(Translate(lifted.shape, d), lifted.values, d), Translate(c.input, d));
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, LiftTest, ::testing::ValuesIn(kLiftCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kt::suite
