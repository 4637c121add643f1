// The database layer: creating the suite database, opening it (missing,
// corrupt, retried), statement failures and the statement cache.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "db/database.h"
#include "suite_test_util.h"

namespace kt::suite {
namespace {

using testing::TempDir;

int64_t Count(Database& db, const std::string& table) {
  RowSet rows;
  std::string error;
  EXPECT_TRUE(db.Query("SELECT count(*) FROM " + table, {}, rows, error)) << error;
  return rows.rows.empty() ? -1 : rows.rows[0][0].integer;
}

TEST(CreateSuiteDatabase, MakesFolderSchemaAndDemoRowsOnce) {
  TempDir dir;
  const std::string path = dir / "nested/Storage/Suite.db";
  ASSERT_EQ(CreateSuiteDatabase(path, true), "");
  const char* tables[] = {"Subscriber",
                          "panel",
                          "unattended_batches",
                          "panel_command_data",
                          "panel_names",
                          "panel_type_revision",
                          "panel_name_substitute_or_adds",
                          "Companies",
                          "StateData",
                          "suite_settings",
                          "suite_messages"};
  std::map<std::string, int64_t> first;
  {
    Database db(path);
    for (const char* t : tables) {
      first[t] = Count(db, t);
      EXPECT_GT(first[t], 0) << t;
    }
  }
  // Again over the same file: nothing is duplicated.
  ASSERT_EQ(CreateSuiteDatabase(path, true), "");
  Database db(path);
  for (const char* t : tables) EXPECT_EQ(Count(db, t), first[t]) << t;
}

TEST(CreateSuiteDatabase, WithoutDemoLeavesTablesEmptyAndUsesWal) {
  TempDir dir;
  const std::string path = dir / "Suite.db";
  ASSERT_EQ(CreateSuiteDatabase(path, false), "");
  Database db(path);
  EXPECT_EQ(Count(db, "Companies"), 0);
  RowSet rows;
  std::string error;
  ASSERT_TRUE(db.Query("PRAGMA journal_mode", {}, rows, error)) << error;
  EXPECT_EQ(rows.rows.at(0).at(0).text, "wal");
}

TEST(CreateSuiteDatabase, ReportsAFolderItCannotMake) {
  TempDir dir;
  std::ofstream(dir / "file") << "x";
  const std::string error = CreateSuiteDatabase(dir / "file/Suite.db", true);
  EXPECT_NE(error.find(dir / "file"), std::string::npos) << error;
}

// Every lookup the statements make uses an index or the row id.
struct PlanCase {
  const char* query;
  const char* index;
};
const PlanCase kPlans[] = {
    {"SELECT * FROM panel_names WHERE family_id = 7 AND product_id = 12", "panel_names_product"},
    {"SELECT * FROM panel_names WHERE panel_name_id = 40", "INTEGER PRIMARY KEY"},
    {"SELECT * FROM panel_type_revision WHERE panel_name_id = 40", "panel_type_revision_name"},
    {"SELECT * FROM panel_name_substitute_or_adds WHERE panel_name_id = 40 AND company_id IN (1,2,5)",
     "panel_name_substitute_or_adds_key"},
    {"SELECT * FROM StateData WHERE Panel_type_Rev_ID = 300 AND Sequence_Number = 1", "StateData_revision"},
    {"SELECT * FROM Subscriber WHERE panel_ID = 7", "Subscriber_panel"},
    {"SELECT * FROM suite_settings WHERE Section = 'x' COLLATE NOCASE AND Key = 'y' COLLATE NOCASE",
     "suite_settings_key"},
};

class IndexTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(IndexTest, LookupUsesIndex) {
  TempDir dir;
  const std::string path = dir / "Suite.db";
  ASSERT_EQ(CreateSuiteDatabase(path, true), "");
  Database db(path);
  RowSet rows;
  std::string error;
  ASSERT_TRUE(db.Query(std::string("EXPLAIN QUERY PLAN ") + GetParam().query, {}, rows, error)) << error;
  std::string plan;
  for (const auto& row : rows.rows) plan += row.back().text + "\n";
  EXPECT_NE(plan.find(GetParam().index), std::string::npos) << plan;
}

INSTANTIATE_TEST_SUITE_P(Schema, IndexTest, ::testing::ValuesIn(kPlans));

TEST(Database, MissingFileIsAnErrorAndNotCreated) {
  TempDir dir;
  const std::string path = dir / "missing.db";
  Database db(path);
  RowSet rows;
  std::string error;
  EXPECT_FALSE(db.Execute("SELECT 1", rows, error));
  EXPECT_EQ(error.rfind("cannot open database " + path + ": ", 0), 0u) << error;
  EXPECT_FALSE(std::filesystem::exists(path));
  // Once the file exists the same connection opens on the next statement.
  ASSERT_EQ(CreateSuiteDatabase(path, true), "");
  EXPECT_TRUE(db.Execute("SELECT Company_ID FROM Companies", rows, error)) << error;
  EXPECT_EQ(rows.rows.size(), 7u);
}

TEST(Database, CorruptFileFailsWithoutCrashing) {
  TempDir dir;
  const std::string path = dir / "Suite.db";
  std::ofstream(path, std::ios::binary) << std::string(4096, '\x5a') << "not a database";
  Database db(path);
  RowSet rows;
  std::string error;
  EXPECT_FALSE(db.Execute("SELECT * FROM panel", rows, error));
  EXPECT_NE(error.find("cannot open database " + path), std::string::npos) << error;
  EXPECT_NE(error.find("not a database"), std::string::npos) << error;
  EXPECT_FALSE(db.is_open());
}

TEST(Database, StatementFailureNamesMessageDatabaseAndTranslation) {
  TempDir dir;
  const std::string path = dir / "Suite.db";
  ASSERT_EQ(CreateSuiteDatabase(path, true), "");
  Database db(path);
  RowSet rows;
  std::string error;
  EXPECT_FALSE(db.Execute("SELECT * FROM nosuch WHERE x = Yes", rows, error));
  EXPECT_NE(error.find("SQLite: no such table: nosuch"), std::string::npos) << error;
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("SELECT * FROM nosuch WHERE x = -1"), std::string::npos) << error;
}

TEST(Database, RefusesSecondStatementInOneText) {
  TempDir dir;
  const std::string path = dir / "Suite.db";
  ASSERT_EQ(CreateSuiteDatabase(path, true), "");
  Database db(path);
  RowSet rows;
  std::string error;
  EXPECT_FALSE(db.Execute("UPDATE panel SET panel_phone = 'x'; DELETE FROM panel", rows, error));
  EXPECT_TRUE(db.Execute("SELECT * FROM panel WHERE panel_phone = 'x'", rows, error)) << error;
  EXPECT_TRUE(rows.rows.empty());
  EXPECT_TRUE(db.Execute("SELECT count(*) FROM panel ;  ", rows, error)) << error;
}

// Cached statements give the same answer on reuse, with bindings cleared,
// also after the cache has been flushed by many distinct texts; a constraint
// failure leaves the cached statement usable.
TEST(Database, CachedStatementsStayCorrect) {
  TempDir dir;
  const std::string path = dir / "Suite.db";
  ASSERT_EQ(CreateSuiteDatabase(path, true), "");
  Database db(path);
  RowSet rows;
  std::string error;
  const Value key = Value::Integer(300);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(db.Query("SELECT panel_rev FROM panel_type_revision WHERE panel_type_rev_id = ?1", {&key, 1},
                         rows, error));
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(rows.rows[0][0].integer, 3);
  }
  for (size_t i = 0; i < Database::kCacheLimit + 10; ++i) {
    ASSERT_TRUE(db.Execute("SELECT " + std::to_string(i), rows, error)) << error;
    EXPECT_EQ(rows.rows.at(0).at(0).integer, static_cast<int64_t>(i));
  }
  const char insert[] = "INSERT INTO Companies(Company_ID, Company_Name) VALUES (1, 'again')";
  EXPECT_FALSE(db.Execute(insert, rows, error));
  EXPECT_NE(error.find("UNIQUE constraint failed"), std::string::npos) << error;
  EXPECT_FALSE(db.Execute(insert, rows, error));
  EXPECT_TRUE(db.Execute("SELECT 1", rows, error)) << error;
}

}  // namespace
}  // namespace kt::suite
