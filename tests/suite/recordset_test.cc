// The recordset component as the library sees it: opened by the fixed
// application component, read through its slots.
#include <gtest/gtest.h>

#include <string>

#include "suite_test_util.h"

namespace kt::suite::testing {
namespace {

constexpr HRESULT kClosed = static_cast<HRESULT>(0x800A0E78);
constexpr char kRevisions[] =
    "SELECT panel_type_rev_id, panel_name_id, tcp_ip_value FROM panel_type_revision ORDER BY "
    "panel_type_rev_id";

bool AtEof(IKtRecordset* rs) {
  VARIANT_BOOL eof = VARIANT_FALSE;
  EXPECT_EQ(rs->get_EOF(&eof), S_OK);
  return eof != VARIANT_FALSE;
}

using RecordsetTest = DemoDatabaseTest;

// One field read after an optional filter; failures give "ERR <hr>".
struct FieldCase {
  const char* name;
  const char* statement;
  const char* filter;  // nullptr: no filter
  LONG count;
  const char* field;
  std::string value;
};

const std::string kNoRow = "ERR " + std::to_string(KT_E_NO_CURRENT_ROW);
const FieldCase kFieldCases[] = {
    {"FirstRowAnyCase", kRevisions, nullptr, 12, "PANEL_NAME_ID", "I4:40"},
    {"NullValue", kRevisions, nullptr, 12, "tcp_ip_value", "NULL"},
    {"FilterAnyCaseNoBlanks", kRevisions, "Panel_Type_Rev_ID=400", 1, "panel_name_id", "I4:40000"},
    {"FilterSeveralRows", kRevisions, "panel_name_id = 40", 3, "panel_type_rev_id", "I4:299"},
    {"FilterNegativeNumber", kRevisions, "tcp_ip_value = -1", 7, "panel_type_rev_id", "I4:300"},
    {"FilterNoMatch", kRevisions, "panel_name_id = 41", 0, "panel_name_id", kNoRow},
    {"EmptyFilterShowsAll", kRevisions, "", 12, "panel_type_rev_id", "I4:299"},
    {"MissingField", kRevisions, nullptr, 12, "panel_rev", "ERR " + std::to_string(KT_E_ITEM_NOT_FOUND)},
    {"EmptyResult", "SELECT * FROM Companies WHERE Company_ID = 99", nullptr, 0, "Company_ID", kNoRow},
    {"Utf8Text", "SELECT 'Zürich' AS t", nullptr, 1, "t", "BSTR:Zürich"},
    {"IntegerBeyond32Bits", "SELECT 5000000000 AS big", nullptr, 1, "big", "R8:5e+09"},
    {"Real", "SELECT 2.5 AS r", nullptr, 1, "r", "R8:2.5"},
    {"FirstOfTwoSameNames", "SELECT 1 AS a, 2 AS A", nullptr, 1, "a", "I4:1"},
    {"FilterOnTextDigits", "SELECT '300' AS id UNION ALL SELECT 'x'", "id = 300", 1, "id", "BSTR:300"},
};

class RecordsetFieldTest : public RecordsetTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(RecordsetFieldTest, ReadsField) {
  const FieldCase& c = GetParam();
  Ref<IKtRecordset> rs = Open(c.statement);
  ASSERT_TRUE(rs);
  ASSERT_EQ(c.filter ? rs->put_Filter(Bstr(c.filter)) : S_OK, S_OK) << TakeError().description;
  EXPECT_EQ(CountOf(rs.get()), c.count);
  EXPECT_EQ(FieldOf(rs.get(), c.field), c.value);
  if (c.value.starts_with("ERR")) {
    const ErrorText e = TakeError();
    EXPECT_EQ(e.source, "KeltraneSuite.Recordset");
    EXPECT_FALSE(e.description.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Fields, RecordsetFieldTest, ::testing::ValuesIn(kFieldCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordsetTest, BlobComesAsBytes) {
  Ref<IKtRecordset> rs = Open(OnPostgres() ? "SELECT '\\x41420043'::bytea AS b" : "SELECT x'41420043' AS b");
  VARIANT v;
  VariantInit(&v);
  ASSERT_EQ(rs->get_Field(Bstr("b"), &v), S_OK);
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.bstrVal), SysStringByteLen(v.bstrVal)),
            std::string("AB\0C", 4));
  VariantClear(&v);
}

TEST_F(RecordsetTest, WalksEveryRowThenFailsPastTheEnd) {
  Ref<IKtRecordset> rs = Open(kRevisions);
  LONG seen = 0;
  ASSERT_EQ(rs->MoveFirst(), S_OK);
  for (; !AtEof(rs.get()); ++seen) ASSERT_EQ(rs->MoveNext(), S_OK);
  EXPECT_EQ(seen, 12);
  EXPECT_EQ(rs->MoveNext(), KT_E_NO_CURRENT_ROW);
  EXPECT_NE(TakeError().description.find("BOF or EOF"), std::string::npos);
  EXPECT_EQ(FieldOf(rs.get(), "panel_name_id"), kNoRow);
  // MoveFirst comes back from the end.
  ASSERT_EQ(rs->MoveFirst(), S_OK);
  EXPECT_EQ(FieldOf(rs.get(), "panel_type_rev_id"), "I4:299");
}

TEST_F(RecordsetTest, FilterMovesToFirstMatchAndClearingRestoresAll) {
  Ref<IKtRecordset> rs = Open(kRevisions);
  ASSERT_EQ(rs->MoveNext(), S_OK);
  ASSERT_EQ(rs->put_Filter(Bstr("panel_name_id = 50")), S_OK);
  EXPECT_EQ(FieldOf(rs.get(), "panel_type_rev_id"), "I4:320");
  ASSERT_EQ(rs->MoveNext(), S_OK);
  ASSERT_EQ(rs->MoveNext(), S_OK);
  EXPECT_TRUE(AtEof(rs.get()));
  ASSERT_EQ(rs->put_Filter(Bstr("")), S_OK);
  EXPECT_EQ(CountOf(rs.get()), 12);
  EXPECT_FALSE(AtEof(rs.get()));
}

TEST_F(RecordsetTest, BadFilterFailsAndKeepsView) {
  Ref<IKtRecordset> rs = Open(kRevisions);
  for (const char* filter : {"panel_name_id > 40", "panel_name_id = abc", "nosuch = 1", "= 3",
                             "panel_name_id = 40 AND panel_type_rev_id = 300", "panel_name_id"}) {
    EXPECT_EQ(rs->put_Filter(Bstr(filter)), E_INVALIDARG);
    const ErrorText e = TakeError();
    EXPECT_EQ(e.source, "KeltraneSuite.Recordset");
    EXPECT_NE(e.description.find(filter), std::string::npos) << e.description;
    EXPECT_EQ(CountOf(rs.get()), 12);  // the previous view stays
  }
}

// Every operation but State fails on a recordset never opened or closed
// after use; closing twice fails too.
TEST_F(RecordsetTest, ClosedRecordsetRefusesEverything) {
  LONG n;
  VARIANT_BOOL eof;
  VARIANT v;
  VariantInit(&v);
  Ref<IKtRecordset> never = Create<IKtRecordset>(CLSID_KtRecordset, IID_IKtRecordset);
  Ref<IKtRecordset> closed = Open(kRevisions);
  ASSERT_EQ(closed->get_State(&n), S_OK);
  EXPECT_EQ(n, 1);
  ASSERT_EQ(closed->Close(), S_OK);
  for (IKtRecordset* rs : {never.get(), closed.get()}) {
    ASSERT_EQ(rs->get_State(&n), S_OK);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(rs->Close(), kClosed);
    const ErrorText e = TakeError();
    EXPECT_EQ(e.source, "KeltraneSuite.Recordset");
    EXPECT_EQ(e.description, "Operation is not allowed when the object is closed.");
    EXPECT_EQ(rs->get_RecordCount(&n), kClosed);
    EXPECT_EQ(rs->MoveFirst(), kClosed);
    EXPECT_EQ(rs->MoveNext(), kClosed);
    EXPECT_EQ(rs->get_EOF(&eof), kClosed);
    EXPECT_EQ(rs->get_Field(Bstr("x"), &v), kClosed);
    EXPECT_EQ(rs->put_Filter(Bstr("")), kClosed);
  }
}

}  // namespace
}  // namespace kt::suite::testing
