// The statement translator: every statement the library sends, as text and
// as run on SQLite against the suite schema with the demo rows.
#include <gtest/gtest.h>

#include <map>
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
using testing::TempDir;

const char kStatementA[] =
    "SELECT DISTINCT  panel_names.panel_name_id , iif( ( Select Company_Active from Companies comp where "
    "comp.Company_id = PNSA.Company_id)  =   Yes ,  iif(isnull(panel_names.panel_name ) ,PNSA.panel_name, "
    "panel_names.panel_name) , panel_names.panel_name)  as panel_Name,PNSA.Company_id, "
    "panel_type_revision.panel_rev, "
    "panel_type_revision.panel_type_rev_id,panel_names.family_id,panel_names.product_id  FROM "
    "((panel_names INNER JOIN panel_type_revision ON panel_names.panel_name_id = "
    "panel_type_revision.panel_name_id) LEFT JOIN panel_name_substitute_or_adds PNSA ON "
    "(panel_names.panel_name_id = PNSA.panel_name_id AND PNSA.company_id IN (1,2,5)) ) WHERE not "
    "panel_names.product_id is Null AND panel_names.family_id IS NOT Null AND panel_names.family_id = 7 "
    "AND panel_names.product_id = 12 AND panel_type_revision.panel_rev = 3 ORDER BY "
    "panel_type_revision.panel_type_rev_id";
const char kStatementB[] =
    "SELECT DISTINCT  panel_names.panel_name_id , iif( ( Select Company_Active from Companies comp where "
    "comp.Company_id = PNSA.Company_id)  =   Yes ,iif(isnull(PNSA.panel_name ) , "
    "panel_names.panel_name,PNSA.panel_name) , panel_names.panel_name)  as panel_Name,PNSA.Company_id, "
    "panel_type_revision.panel_rev, "
    "panel_type_revision.panel_type_rev_id,panel_names.family_id,panel_names.product_id  FROM "
    "((panel_names INNER JOIN panel_type_revision ON panel_names.panel_name_id = "
    "panel_type_revision.panel_name_id)  LEFT JOIN panel_name_substitute_or_adds PNSA ON "
    "(panel_names.panel_name_id = PNSA.panel_name_id AND PNSA.company_id IN (1,2,5 ))  ) WHERE not "
    "panel_names.product_id is Null AND panel_names.family_id IS NOT Null AND panel_names.family_id = 7 "
    "AND panel_names.product_id = 12 AND panel_type_revision.panel_rev = 3 ORDER BY "
    "panel_type_revision.panel_type_rev_id";
const char kRevisions[] =
    "SELECT DISTINCT panel_type_revision.panel_type_rev_id, panel_names.panel_name_id,  "
    "panel_names.panel_name as Orig_panel_name, "
    "iif(isnull(PNSA.panel_name),panel_names.panel_name,PNSA.panel_name) as panel_name_used, "
    "PNSA.panel_name FROM ((panel_names INNER JOIN panel_type_revision ON panel_names.panel_name_id = "
    "panel_type_revision.panel_name_id) LEFT JOIN panel_name_substitute_or_adds PNSA ON  "
    "(panel_names.panel_name_id = PNSA.panel_name_id AND PNSA.company_id IN (1,2,5 )) ) WHERE not "
    "panel_names.product_id is Null AND panel_names.family_id IS NOT Null";

// `text` with every `from` replaced by its `to`.
std::string Edit(std::string text, const std::vector<std::pair<std::string, std::string>>& edits) {
  for (const auto& [from, to] : edits) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
  }
  return text;
}

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
    // Every statement text the library sends.
    {"SubstituteName",
     "SELECT panel_name FROM panel_name_substitute_or_adds WHERE panel_name_id = 12 AND company_id IN "
     "(SELECT company_id FROM companies WHERE company_active = -1)",
     "", "", 0, nullptr, nullptr},
    {"BaseName", "SELECT panel_name FROM panel_names WHERE panel_name_id = 12", "", "", 0, nullptr, nullptr},
    {"NumberGluedToAnd", "SELECT Panel_Name FROM panel_names WHERE Family_id =7and Product_id =12",
     "SELECT Panel_Name FROM panel_names WHERE Family_id =7 and Product_id =12", "", 1, "panel_name",
     "VX-2000"},
    {"StatementA", kStatementA,
     Edit(kStatementA,
          {{"=   Yes", "=   -1"}, {"isnull(panel_names.panel_name )", "(panel_names.panel_name IS NULL)"}}),
     Edit(kStatementA,
          {{"iif( ( Select", "CASE WHEN ( Select"},
           {"=   Yes ,  iif(isnull(panel_names.panel_name ) ,PNSA.panel_name, panel_names.panel_name) , "
            "panel_names.panel_name)",
            "=   -1 THEN CASE WHEN (panel_names.panel_name IS NULL) THEN PNSA.panel_name ELSE "
            "panel_names.panel_name END ELSE panel_names.panel_name END"}}),
     1, "panel_Name", "VX-2000"},
    {"StatementB", kStatementB,
     Edit(kStatementB, {{"=   Yes", "=   -1"}, {"isnull(PNSA.panel_name )", "(PNSA.panel_name IS NULL)"}}),
     Edit(kStatementB, {{"iif( ( Select", "CASE WHEN ( Select"},
                        {"=   Yes ,iif(isnull(PNSA.panel_name ) , panel_names.panel_name,PNSA.panel_name) , "
                         "panel_names.panel_name)",
                         "=   -1 THEN CASE WHEN (PNSA.panel_name IS NULL) THEN panel_names.panel_name ELSE "
                         "PNSA.panel_name END ELSE panel_names.panel_name END"}}),
     1, "panel_Name", "TV-2000 EU"},
    {"NameOfProduct",
     "SELECT Panel_Name FROM panel_names WHERE Family_id =7 and Product_id =12 and panel_name_id =40", "", "",
     1, "Panel_Name", "VX-2000"},
    {"ActiveCompanies", "SELECT Company_ID FROM Companies WHERE Company_Active = -1;", "", "", 5,
     "Company_ID", "1"},
    {"Revisions", kRevisions, Edit(kRevisions, {{"isnull(PNSA.panel_name)", "(PNSA.panel_name IS NULL)"}}),
     Edit(kRevisions,
          {{"iif(isnull(PNSA.panel_name),panel_names.panel_name,PNSA.panel_name)",
            "CASE WHEN (PNSA.panel_name IS NULL) THEN panel_names.panel_name ELSE PNSA.panel_name END"}}),
     11, nullptr, nullptr},
    {"Parent",
     "SELECT panel_name_id,parent_panel_type_rev_id FROM panel_type_revision WHERE panel_type_rev_id = 300",
     "", "", 1, "parent_panel_type_rev_id", "299"},
    {"TcpIp", "SELECT tcp_ip_value FROM panel_type_revision WHERE panel_type_rev_id = 300", "", "", 1,
     "tcp_ip_value", "-1"},
    {"RevisionCompany",
     "SELECT DISTINCT PNS.Company_ID as COMPANYID,PTR.panel_type_rev_id  FROM (((panel_names as PNS INNER "
     "JOIN "
     "panel_type_revision as PTR ON PNS.panel_name_id = PTR.panel_name_id ) LEFT JOIN "
     "panel_name_substitute_or_adds  as PNSA ON (PNS.panel_name_id = PNSA.panel_name_id )) ) WHERE "
     "PTR.panel_type_rev_id=300",
     "", "", 1, "COMPANYID", "1"},
    {"StateData",
     "SELECT Panel_type_Rev_ID, Command_ID, Sequence_Number, State_Data FROM StateData  where "
     "Panel_type_Rev_ID=300 and Sequence_Number=1",
     "", "", 2, nullptr, nullptr},
    {"UpdatePhone", "UPDATE panel SET panel_phone = '555-0100' WHERE Panel_ID = 7", "", "", 0, nullptr,
     nullptr},
    {"UpdateMode", "UPDATE panel SET LastConnectionMode = 'TCP' WHERE Panel_ID = 7", "", "", 0, nullptr,
     nullptr},
    {"UpdateBatch", "update unattended_batches set state=3 where Unattended_Batch_ID =12", "", "", 0, nullptr,
     nullptr},
    {"Subscriber", "select * from Subscriber where Account_id = 5", "", "", 1, "PANEL_id", "11"},
    {"PanelPhone", "SELECT Panel_Type_Rev_ID,panel_phone FROM panel WHERE Panel_ID =7", "", "", 1,
     "panel_phone", "555-0142"},
    {"PanelMode", "SELECT Panel_Type_Rev_ID,panel_phone,LastConnectionMode FROM panel WHERE Panel_ID =7", "",
     "", 1, "LastConnectionMode", "Modem"},
    {"CommandData", "SELECT Command_ID FROM panel_command_data WHERE panel_command_data_id =4", "", "", 1,
     "Command_ID", "301"},
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
  TempDir dir;
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

// The revision statement names each revision with the company's substitute
// when one exists and the base name otherwise.
TEST(TranslateRun, RevisionNamesPreferSubstitutes) {
  std::map<int64_t, std::string> used;
  for (const auto& row : RunOnDemo(kRevisions).rows) used[row[0].integer] = AsText(row[3]);
  EXPECT_EQ(used[300], "TV-2000 EU");  // company 2's name (company 4's is not in the list)
  EXPECT_EQ(used[320], "TV-4100 EU");  // no base name: only the company's
  EXPECT_EQ(used[310], "VX-1000");
  EXPECT_EQ(used.count(360), 0u);  // its name has no product id
}

}  // namespace
}  // namespace kt::suite
