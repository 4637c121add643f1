// The recordset component as the library sees it: opened by the fixed
// application component, read through its slots.
#include <gtest/gtest.h>

#include <string>

#include "suite_test_util.h"

namespace kt::suite::testing {
namespace {

// A value as text: "I4:300", "R8:2.5", "BSTR:text", "BYTES:<n>", "NULL".
std::string Describe(VARIANT& v) {
  std::string text;
  switch (v.vt) {
    case VT_I4:
      text = "I4:" + std::to_string(v.lVal);
      break;
    case VT_R8: {
      char number[64];
      snprintf(number, sizeof number, "R8:%g", v.dblVal);
      text = number;
      break;
    }
    case VT_BSTR:
      text = "BSTR:" + base::Utf16ToUtf8(std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal)));
      break;
    case VT_NULL:
      text = "NULL";
      break;
    default:
      text = "vt " + std::to_string(v.vt);
  }
  VariantClear(&v);
  return text;
}

class RecordsetTest : public DemoDatabaseTest {
 protected:
  Ref<IKtRecordset> Open(const std::string& statement) {
    Ref<IKtFixedApplication> app =
        Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
    Ref<IKtRecordset> rs;
    VARIANT a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = b.vt = VT_NULL;
    EXPECT_EQ(app->OpenRecordset(Bstr(statement), rs.put(), -1, &a, &b), S_OK) << TakeError().description;
    EXPECT_TRUE(rs) << statement;
    return rs;
  }
  static LONG CountOf(IKtRecordset* rs) {
    LONG n = -1;
    EXPECT_EQ(rs->get_RecordCount(&n), S_OK);
    return n;
  }
  static bool AtEof(IKtRecordset* rs) {
    VARIANT_BOOL eof = VARIANT_FALSE;
    EXPECT_EQ(rs->get_EOF(&eof), S_OK);
    return eof != VARIANT_FALSE;
  }
};

// One field read after an optional filter.
struct FieldCase {
  const char* name;
  const char* statement;
  const char* filter;  // nullptr: no filter
  LONG count;
  const char* field;
  HRESULT hr;
  const char* value;  // when hr is S_OK
};

constexpr char kRevisions[] =
    "SELECT panel_type_rev_id, panel_name_id, tcp_ip_value FROM panel_type_revision ORDER BY "
    "panel_type_rev_id";

const FieldCase kFieldCases[] = {
    {"FirstRowAnyCase", kRevisions, nullptr, 12, "PANEL_NAME_ID", S_OK, "I4:40"},
    {"NullValue", kRevisions, nullptr, 12, "tcp_ip_value", S_OK, "NULL"},
    {"FilterKeepsMatchingRow", kRevisions, "panel_type_rev_id = 321", 1, "panel_name_id", S_OK, "I4:50"},
    {"FilterAnyCaseNoBlanks", kRevisions, "Panel_Type_Rev_ID=400", 1, "panel_name_id", S_OK, "I4:40000"},
    {"FilterSeveralRows", kRevisions, "panel_name_id = 40", 3, "panel_type_rev_id", S_OK, "I4:299"},
    {"FilterNegativeNumber", kRevisions, "tcp_ip_value = -1", 7, "panel_type_rev_id", S_OK, "I4:300"},
    {"FilterNoMatch", kRevisions, "panel_name_id = 41", 0, "panel_name_id", KT_E_NO_CURRENT_ROW, nullptr},
    {"EmptyFilterShowsAll", kRevisions, "", 12, "panel_type_rev_id", S_OK, "I4:299"},
    {"MissingField", kRevisions, nullptr, 12, "panel_rev", KT_E_ITEM_NOT_FOUND, nullptr},
    {"EmptyResult", "SELECT * FROM Companies WHERE Company_ID = 99", nullptr, 0, "Company_ID",
     KT_E_NO_CURRENT_ROW, nullptr},
    {"Text", "SELECT Company_Name FROM Companies WHERE Company_ID = 2", nullptr, 1, "company_name", S_OK,
     "BSTR:Torvane Europe"},
    {"Utf8Text", "SELECT 'Zürich' AS t", nullptr, 1, "t", S_OK, "BSTR:Zürich"},
    {"IntegerBeyond32Bits", "SELECT 5000000000 AS big", nullptr, 1, "big", S_OK, "R8:5e+09"},
    {"Real", "SELECT 2.5 AS r", nullptr, 1, "r", S_OK, "R8:2.5"},
    {"FirstOfTwoSameNames", "SELECT 1 AS a, 2 AS A", nullptr, 1, "a", S_OK, "I4:1"},
    {"FilterOnTextDigits", "SELECT '300' AS id UNION ALL SELECT 'x'", "id = 300", 1, "id", S_OK, "BSTR:300"},
};

class RecordsetFieldTest : public RecordsetTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(RecordsetFieldTest, ReadsField) {
  const FieldCase& c = GetParam();
  Ref<IKtRecordset> rs = Open(c.statement);
  ASSERT_TRUE(rs);
  if (c.filter != nullptr) {
    ASSERT_EQ(rs->put_Filter(Bstr(c.filter)), S_OK) << TakeError().description;
  }
  EXPECT_EQ(CountOf(rs.get()), c.count);
  VARIANT v;
  VariantInit(&v);
  const HRESULT hr = rs->get_Field(Bstr(c.field), &v);
  EXPECT_EQ(hr, c.hr);
  if (c.hr == S_OK) {
    EXPECT_EQ(Describe(v), c.value);
  } else {
    const ErrorText e = TakeError();
    EXPECT_EQ(e.source, "KeltraneSuite.Recordset");
    EXPECT_FALSE(e.description.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Fields, RecordsetFieldTest, ::testing::ValuesIn(kFieldCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordsetTest, BlobComesAsBytes) {
  Ref<IKtRecordset> rs = Open("SELECT x'41420043' AS b");
  VARIANT v;
  VariantInit(&v);
  ASSERT_EQ(rs->get_Field(Bstr("b"), &v), S_OK);
  ASSERT_EQ(v.vt, VT_BSTR);
  ASSERT_EQ(SysStringByteLen(v.bstrVal), 4u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.bstrVal), 4), std::string("AB\0C", 4));
  VariantClear(&v);
}

TEST_F(RecordsetTest, WalksEveryRowThenFailsPastTheEnd) {
  Ref<IKtRecordset> rs = Open(kRevisions);
  LONG seen = 0;
  ASSERT_EQ(rs->MoveFirst(), S_OK);
  while (!AtEof(rs.get())) {
    ++seen;
    ASSERT_EQ(rs->MoveNext(), S_OK);
  }
  EXPECT_EQ(seen, 12);
  EXPECT_EQ(rs->MoveNext(), KT_E_NO_CURRENT_ROW);
  EXPECT_NE(TakeError().description.find("BOF or EOF"), std::string::npos);
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(rs->get_Field(Bstr("panel_name_id"), &v), KT_E_NO_CURRENT_ROW);
  // MoveFirst comes back from the end.
  ASSERT_EQ(rs->MoveFirst(), S_OK);
  ASSERT_EQ(rs->get_Field(Bstr("panel_type_rev_id"), &v), S_OK);
  EXPECT_EQ(Describe(v), "I4:299");
}

TEST_F(RecordsetTest, FilterMovesToFirstMatchAndClearingRestoresAll) {
  Ref<IKtRecordset> rs = Open(kRevisions);
  ASSERT_EQ(rs->MoveNext(), S_OK);
  ASSERT_EQ(rs->put_Filter(Bstr("panel_name_id = 50")), S_OK);
  VARIANT v;
  VariantInit(&v);
  ASSERT_EQ(rs->get_Field(Bstr("panel_type_rev_id"), &v), S_OK);
  EXPECT_EQ(Describe(v), "I4:320");
  ASSERT_EQ(rs->MoveNext(), S_OK);
  ASSERT_EQ(rs->MoveNext(), S_OK);
  EXPECT_TRUE(AtEof(rs.get()));
  ASSERT_EQ(rs->put_Filter(Bstr("")), S_OK);
  EXPECT_EQ(CountOf(rs.get()), 12);
  EXPECT_FALSE(AtEof(rs.get()));
}

class BadFilterTest : public RecordsetTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BadFilterTest, FailsWithInvalidArgument) {
  Ref<IKtRecordset> rs = Open(kRevisions);
  EXPECT_EQ(rs->put_Filter(Bstr(GetParam())), E_INVALIDARG);
  const ErrorText e = TakeError();
  EXPECT_EQ(e.source, "KeltraneSuite.Recordset");
  EXPECT_NE(e.description.find(GetParam()), std::string::npos) << e.description;
  EXPECT_EQ(CountOf(rs.get()), 12);  // the previous view stays
}

INSTANTIATE_TEST_SUITE_P(Filters, BadFilterTest,
                         ::testing::Values("panel_name_id > 40", "panel_name_id = abc", "nosuch = 1", "= 3",
                                           "panel_name_id = 40 AND panel_type_rev_id = 300",
                                           "panel_name_id"));

TEST_F(RecordsetTest, CloseTwiceFailsAndClosedRefusesReads) {
  Ref<IKtRecordset> rs = Open(kRevisions);
  LONG state = -1;
  ASSERT_EQ(rs->get_State(&state), S_OK);
  EXPECT_EQ(state, 1);
  ASSERT_EQ(rs->Close(), S_OK);
  ASSERT_EQ(rs->get_State(&state), S_OK);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(rs->Close(), static_cast<HRESULT>(0x800A0E78));
  EXPECT_EQ(TakeError().description, "Operation is not allowed when the object is closed.");
}

// Every operation but State on a recordset that is not open.
using Operation = HRESULT (*)(IKtRecordset*);
struct ClosedCase {
  const char* name;
  Operation op;
};
const ClosedCase kClosedCases[] = {
    {"RecordCount",
     [](IKtRecordset* rs) {
       LONG n;
       return rs->get_RecordCount(&n);
     }},
    {"MoveFirst", [](IKtRecordset* rs) { return rs->MoveFirst(); }},
    {"MoveNext", [](IKtRecordset* rs) { return rs->MoveNext(); }},
    {"EOF",
     [](IKtRecordset* rs) {
       VARIANT_BOOL e;
       return rs->get_EOF(&e);
     }},
    {"Field",
     [](IKtRecordset* rs) {
       VARIANT v;
       VariantInit(&v);
       return rs->get_Field(Bstr("x"), &v);
     }},
    {"Filter", [](IKtRecordset* rs) { return rs->put_Filter(Bstr("")); }},
    {"Close", [](IKtRecordset* rs) { return rs->Close(); }},
};

class ClosedRecordsetTest : public RecordsetTest, public ::testing::WithParamInterface<ClosedCase> {};

TEST_P(ClosedRecordsetTest, NeverOpenedFails) {
  Ref<IKtRecordset> rs = Create<IKtRecordset>(CLSID_KtRecordset, IID_IKtRecordset);
  LONG state = -1;
  ASSERT_EQ(rs->get_State(&state), S_OK);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(GetParam().op(rs.get()), static_cast<HRESULT>(0x800A0E78));
  EXPECT_EQ(TakeError().source, "KeltraneSuite.Recordset");
}

TEST_P(ClosedRecordsetTest, ClosedAfterUseFails) {
  Ref<IKtRecordset> rs = Open(kRevisions);
  ASSERT_EQ(rs->Close(), S_OK);
  EXPECT_EQ(GetParam().op(rs.get()), static_cast<HRESULT>(0x800A0E78));
}

INSTANTIATE_TEST_SUITE_P(Operations, ClosedRecordsetTest, ::testing::ValuesIn(kClosedCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kt::suite::testing
