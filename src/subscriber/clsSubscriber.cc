#include "subscriber/clsSubscriber.h"

#include <utility>

#include "base/vbtext.h"
#include "frame/convert.h"
#include "frame/handler.h"

namespace kt {
namespace {

// The base name of a model wins over the names companies give it only when
// the installation is this maker's own and serves its companies 1, 2 and 5;
// otherwise an active company's own name wins.
const std::string kOwnMaker = "torvane";
constexpr int16_t kPrecedenceCompanies[] = {1, 2, 5};

const std::string kActiveSubstitute =
    " AND company_id IN (SELECT company_id FROM companies WHERE company_active = -1)";

// Text spliced between single quotes: every quote is doubled so that the
// text stays one literal whatever it contains.
std::string Quoted(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

// A recordset came back with at least one row; positions it on the first.
bool HasRows(Recordset* rs) {
  if (rs == nullptr || rs->RecordCount() <= 0) return false;
  rs->MoveFirst();
  return true;
}

// Closes the recordset when it is still open and releases it.
void Finish(RecordsetPtr& rs) {
  CloseIfOpen(rs.get());
  rs.reset();
}

// Copies a field's text into `out` unless the field is Null.
void TextUnlessNull(Recordset& rs, const std::string& field, std::string& out) {
  const Variant v = rs.Field(field);
  if (!v.IsNull()) out = CStr(v);
}

// A field that carries a name: neither Null, Empty nor the empty text.
bool HasName(const Variant& v) {
  return !v.IsNull() && !v.IsEmpty() && !(v.IsString() && v.AsString().empty());
}

std::string SimpleNameStatement(int32_t family, int32_t product) {
  return "SELECT Panel_Name FROM panel_names WHERE Family_id =" + Str(family) +
         "and Product_id =" + Str(product);
}

// The name lookup of a model and revision, joined with the names that the
// listed companies give it.  `base_first` picks the variant that keeps the
// base name unless it is Null; the other prefers an active company's name.
// The two differ only in the first three pieces and the two after the list.
std::string RevisionNameStatement(bool base_first, const std::string& companies, int32_t family,
                                  int32_t product, const std::string& revision) {
  static const char* const kBaseNameFirst[] = {
      "SELECT DISTINCT  panel_names.panel_name_id , iif( ( Select Company_Active from Companies comp where "
      "comp.Company_id = PNSA.Company_id)  =   Yes , ",
      " iif(isnull(panel_names.panel_name ) ,PNSA.panel_name, panel_names.panel_name) , "
      "panel_names.panel_name)  "
      "as panel_Name,PNSA.Company_id, panel_type_revision.panel_rev, "
      "panel_type_revision.panel_type_rev_id,panel_names.family_id,panel_names.product_id ",
      " FROM ((panel_names INNER JOIN panel_type_revision ON panel_names.panel_name_id = "
      "panel_type_revision.panel_name_id)",
      "))",
      " ) WHERE not panel_names.product_id is Null AND panel_names.family_id IS NOT Null AND "
      "panel_names.family_id = "};
  static const char* const kCompanyNameFirst[] = {
      "SELECT DISTINCT  panel_names.panel_name_id , iif( ( Select Company_Active from Companies comp where "
      "comp.Company_id = PNSA.Company_id)  =   Yes ,",
      "iif(isnull(PNSA.panel_name ) , panel_names.panel_name,PNSA.panel_name) , panel_names.panel_name)  as "
      "panel_Name,PNSA.Company_id, panel_type_revision.panel_rev, "
      "panel_type_revision.panel_type_rev_id,panel_names.family_id,panel_names.product_id ",
      " FROM ((panel_names INNER JOIN panel_type_revision ON panel_names.panel_name_id = "
      "panel_type_revision.panel_name_id) ",
      " )) ",
      ") WHERE not panel_names.product_id is Null AND panel_names.family_id IS NOT Null AND "
      "panel_names.family_id = "};
  const char* const* v = base_first ? kBaseNameFirst : kCompanyNameFirst;
  std::string s = std::string(v[0]) + v[1] + v[2];
  s += " LEFT JOIN panel_name_substitute_or_adds PNSA ON (panel_names.panel_name_id = PNSA.panel_name_id AND "
       "PNSA.company_id IN (";
  s += companies;
  s += std::string(v[3]) + v[4];
  s += Str(family) + " AND panel_names.product_id = " + Str(product) +
       " AND panel_type_revision.panel_rev = " + revision + " ORDER BY panel_type_revision.panel_type_rev_id";
  return s;
}

// The revisions whose model has a product and a family, each with the base
// name and the name one of the companies gives it.
std::string RevisionsStatement(const std::string& companies) {
  return std::string("SELECT DISTINCT panel_type_revision.panel_type_rev_id,") +
         " panel_names.panel_name_id, " + " panel_names.panel_name as Orig_panel_name," +
         " iif(isnull(PNSA.panel_name),panel_names.panel_name,PNSA.panel_name) as panel_name_used," +
         " PNSA.panel_name" + " FROM ((panel_names INNER JOIN panel_type_revision" +
         " ON panel_names.panel_name_id = panel_type_revision.panel_name_id)" +
         " LEFT JOIN panel_name_substitute_or_adds PNSA ON " +
         " (panel_names.panel_name_id = PNSA.panel_name_id AND PNSA.company_id IN (" + companies + "))" +
         " )" + " WHERE not panel_names.product_id is Null" + " AND panel_names.family_id IS NOT Null";
}

// The name in the first row's Panel_Name, "" when there is no row or no
// name; a recordset that gave a name is closed.
std::string NameOfFirstRow(RecordsetPtr& rs) {
  if (!HasRows(rs.get())) return "";
  const Variant name = rs->Field("Panel_Name");
  if (!HasName(name)) return "";
  std::string text = CStr(name);
  CloseIfOpen(rs.get());
  return text;
}

// Whether the setting names this maker and companies 1, 2 and 5 are all
// listed.  Every company is asked, also after a negative answer.
bool BaseNamesFirst(CompanyList& companies, std::string& list, const std::string& setting) {
  bool all = true;
  for (int16_t id : kPrecedenceCompanies) {
    int16_t company = id;
    if (!companies.IsCompanyInList(company, list)) all = false;
  }
  return base::ToLowerAscii(setting) == kOwnMaker && all;
}

}  // namespace

clsSubscriber::clsSubscriber(Env& env) : env_(env) {
  // Without the fixed application the download one is not created either.
  OnErrorLeave([&] {
    m_objFxdAppln = env_.CreateFixedApplication();
    m_objDldAppln = env_.CreateDownloadApplication();
  });
}

clsSubscriber::~clsSubscriber() {
  try {
    m_objFxdAppln.reset();
  } catch (...) {
  }
  try {
    m_objDldAppln.reset();
  } catch (...) {
  }
}

FixedApplication& clsSubscriber::Fixed() {
  if (!m_objFxdAppln) Raise(vberr::kObjectNotSet);
  return *m_objFxdAppln;
}

DownloadApplication& clsSubscriber::Download() {
  if (!m_objDldAppln) Raise(vberr::kObjectNotSet);
  return *m_objDldAppln;
}

void clsSubscriber::UpdatePanelText(const std::string& column, const std::string& value, int32_t PanelID) {
  OnErrorLeave([&] {
    if (PanelID <= 0) return;
    RecordsetPtr rs = Download().OpenRecordset("UPDATE panel SET " + column + " = '" + Quoted(value) +
                                               "' WHERE Panel_ID = " + Str(PanelID));
    Finish(rs);
  });
}

void clsSubscriber::SavePanelPhoneNumber(const std::string& panelNumber, int32_t PanelID) {
  UpdatePanelText("panel_phone", panelNumber, PanelID);
}

void clsSubscriber::SavePanelLastConnectionType(const std::string& panelConnType, int32_t PanelID) {
  UpdatePanelText("LastConnectionMode", panelConnType, PanelID);
}

void clsSubscriber::UpdateTheStatus(int32_t lBatchId, int16_t iState) {
  OnErrorLeave([&] {
    // A component of its own: the batch state is written also when the
    // object's download component could not be created.
    std::unique_ptr<DownloadApplication> app = env_.CreateDownloadApplication();
    app->ExecuteStatement("update unattended_batches set state=" + Str(iState) +
                          " where Unattended_Batch_ID =" + Str(lBatchId));
    app.reset();
  });
}

void clsSubscriber::ReadSubscriber(int32_t lAccountId, std::string& last, std::string& first,
                                   std::string& group, std::string& account, std::string& phone,
                                   std::string* connection) {
  // A failure keeps whatever the outputs received before it.
  OnErrorLeave([&] {
    last = first = group = account = phone = "";
    if (connection != nullptr) *connection = "";
    if (lAccountId <= 0) return;
    DownloadApplication& app = Download();
    RecordsetPtr rs = app.OpenRecordset("select * from Subscriber where Account_id = " + Str(lAccountId));
    if (!HasRows(rs.get())) return Finish(rs);
    TextUnlessNull(*rs, "last_name", last);
    TextUnlessNull(*rs, "first_name", first);
    TextUnlessNull(*rs, "Receiver_Group", group);
    TextUnlessNull(*rs, "account_number", account);
    const Variant panel = rs->Field("panel_ID");
    const int32_t panel_id = panel.IsNull() ? 0 : CLng(panel);
    const std::string columns = connection != nullptr ? "Panel_Type_Rev_ID,panel_phone,LastConnectionMode"
                                                      : "Panel_Type_Rev_ID,panel_phone";
    // The subscriber's recordset is let go unclosed when the panel's replaces it.
    rs = app.OpenRecordset("SELECT " + columns + " FROM panel WHERE Panel_ID =" + Str(panel_id));
    if (HasRows(rs.get())) {
      TextUnlessNull(*rs, "panel_phone", phone);
      if (connection != nullptr) TextUnlessNull(*rs, "LastConnectionMode", *connection);
      CloseIfOpen(rs.get());
    }
    Finish(rs);
  });
}

void clsSubscriber::GetSubscriberInformation(int32_t lAccountId, std::string& strSubscriberLastName,
                                             std::string& strSubscriberFirstName,
                                             std::string& strSubscriberRcvrGroup,
                                             std::string& strSubscriberAcctNumber,
                                             std::string& strPanelPhoneNUmber) {
  ReadSubscriber(lAccountId, strSubscriberLastName, strSubscriberFirstName, strSubscriberRcvrGroup,
                 strSubscriberAcctNumber, strPanelPhoneNUmber, nullptr);
}

void clsSubscriber::GetSubscriber_Information(int32_t lAccountId, std::string& strSubscriberLastName,
                                              std::string& strSubscriberFirstName,
                                              std::string& strSubscriberRcvrGroup,
                                              std::string& strSubscriberAcctNumber,
                                              std::string& strPanelPhoneNUmber,
                                              std::string& strLastConnectionMode) {
  ReadSubscriber(lAccountId, strSubscriberLastName, strSubscriberFirstName, strSubscriberRcvrGroup,
                 strSubscriberAcctNumber, strPanelPhoneNUmber, &strLastConnectionMode);
}

int32_t clsSubscriber::GetCommandIDFromPanelCommandDataID(int32_t panel_command_data_id) {
  int32_t result = 0;
  OnErrorLeave([&] {
    RecordsetPtr rs =
        Fixed().OpenRecordset("SELECT Command_ID FROM panel_command_data WHERE panel_command_data_id =" +
                              Str(panel_command_data_id));
    // A Null command id cannot be converted: the handler's 0.
    if (HasRows(rs.get())) result = CLng(rs->Field("Command_ID"));
    Finish(rs);
  });
  return result;
}

void clsSubscriber::GetPanelName(int32_t lPanelNameID, std::string& strPanelname) {
  OnErrorLeave(
      [&] {
        strPanelname = "";
        FixedApplication& app = Fixed();
        // An active company's own name for the model comes first.
        RecordsetPtr rs =
            app.OpenRecordset("SELECT panel_name FROM panel_name_substitute_or_adds WHERE panel_name_id = " +
                              Str(lPanelNameID) + kActiveSubstitute);
        if (HasRows(rs.get())) {
          const Variant name = rs->Field("Panel_Name");
          if (!name.IsNull()) {
            strPanelname = CStr(name);
            return;
          }
        }
        rs = app.OpenRecordset("SELECT panel_name FROM panel_names WHERE panel_name_id = " +
                               Str(lPanelNameID));
        if (HasRows(rs.get())) {
          const Variant name = rs->Field("Panel_Name");
          if (!name.IsNull()) strPanelname = CStr(name);
        }
      },
      [&] { strPanelname = ""; });
}

void clsSubscriber::GetPanelNamebyProductid(int32_t lProductId, int32_t lFamilyId,
                                            std::string& strPanelname) {
  OnErrorLeave(
      [&] {
        RecordsetPtr rs = Fixed().OpenRecordset(SimpleNameStatement(lFamilyId, lProductId));
        strPanelname = NameOfFirstRow(rs);
        Finish(rs);
      },
      [&] { strPanelname = ""; });
}

void clsSubscriber::GetPanelNamebyProductidFamilyidRevNum(int32_t lProductId, int32_t lFamilyId,
                                                          const std::string& strRevNum,
                                                          std::string& strPanelname) {
  OnErrorLeave(
      [&] {
        std::unique_ptr<Settings> settings = env_.CreateSettings();
        const std::string setting = settings->ReadSetting("General", "Company_name_mismatch", "Torvane");
        std::unique_ptr<CompanyList> companies = env_.CreateCompanyList();
        std::string list = companies->GetCompanyList();
        std::string statement;
        if (list.empty()) {
          statement = SimpleNameStatement(lFamilyId, lProductId);
        } else {
          const bool base_first = BaseNamesFirst(*companies, list, setting);
          // The revision number is spliced bare: only numeric text may go in.
          if (!IsNumeric(std::string_view(strRevNum))) Raise(vberr::kTypeMismatch);
          statement = RevisionNameStatement(base_first, list, lFamilyId, lProductId, strRevNum);
        }
        FixedApplication& app = Fixed();
        RecordsetPtr rs = app.OpenRecordset(statement);
        if (rs == nullptr) {
          strPanelname = "";
          return;
        }
        // No such revision: the model's base name; that recordset is read
        // without asking for its count (an empty one fails below).
        if (rs->RecordCount() < 1) rs = app.OpenRecordset(SimpleNameStatement(lFamilyId, lProductId));
        if (rs == nullptr) Raise(vberr::kObjectNotSet);
        rs->MoveFirst();
        const Variant name = rs->Field("Panel_Name");
        if (HasName(name)) {
          strPanelname = CStr(name);
          CloseIfOpen(rs.get());
        } else {
          strPanelname = "";
        }
        Finish(rs);
      },
      [&] { strPanelname = ""; });
}

void clsSubscriber::GetPanelNamebyProductidAndPanel_NameID(int32_t lProductId, int32_t lFamilyId,
                                                           int32_t lPanelName_id, std::string& strPanelname) {
  OnErrorLeave(
      [&] {
        std::unique_ptr<Settings> settings = env_.CreateSettings();
        const std::string setting = settings->ReadSetting("General", "Company_name_mismatch", "");
        std::unique_ptr<CompanyList> companies = env_.CreateCompanyList();
        std::string list = companies->GetCompanyList();
        FixedApplication& app = Fixed();
        if (!BaseNamesFirst(*companies, list, setting)) {
          RecordsetPtr rs = app.OpenRecordset(
              "SELECT Panel_Name FROM panel_name_substitute_or_adds WHERE panel_name_id = " +
              Str(lPanelName_id) + kActiveSubstitute);
          // A company's name replaces the caller's text only when there is
          // one; the caller's own text, when not empty, ends the search too.
          if (HasRows(rs.get())) {
            const Variant name = rs->Field("Panel_Name");
            if (HasName(name)) {
              strPanelname = CStr(name);
              CloseIfOpen(rs.get());
            }
          }
          Finish(rs);
          if (!strPanelname.empty()) return;
        }
        RecordsetPtr rs = app.OpenRecordset(
            "SELECT Panel_Name FROM panel_names WHERE Family_id =" + Str(lFamilyId) +
            " and Product_id =" + Str(lProductId) + " and panel_name_id =" + Str(lPanelName_id));
        strPanelname = NameOfFirstRow(rs);
        Finish(rs);
      },
      [&] { strPanelname = ""; });
}

void clsSubscriber::GetPanelInformation(int32_t lPanelTyperevId, std::string& strPanelname,
                                        int32_t& lParentPanelTypeRevId) {
  OnErrorLeave(
      [&] {
        if (lPanelTyperevId <= 0) {
          strPanelname = "";
          lParentPanelTypeRevId = -1;
          return;
        }
        RecordsetPtr rs = Fixed().OpenRecordset(
            "SELECT panel_name_id,parent_panel_type_rev_id FROM panel_type_revision WHERE panel_type_rev_id "
            "= " +
            Str(lPanelTyperevId));
        // An unknown revision leaves both outputs as the caller passed them.
        if (!HasRows(rs.get())) return Finish(rs);
        const Variant name_id = rs->Field("panel_name_id");
        if (name_id.IsNull() || name_id.IsEmpty()) {
          strPanelname = "";
          lParentPanelTypeRevId = -1;
          return Finish(rs);
        }
        const int32_t id = CLng(name_id);
        const Variant parent = rs->Field("parent_panel_type_rev_id");
        if (!parent.IsNull()) lParentPanelTypeRevId = CLng(parent);
        GetPanelName(id, strPanelname);
        Finish(rs);
      },
      [&] {
        strPanelname = "";
        lParentPanelTypeRevId = -1;
      });
}

void clsSubscriber::GetPanelNamebyRevid(int32_t lPanelTyperevId, std::string& strPanelname) {
  OnErrorLeave(
      [&] {
        strPanelname = "";
        FixedApplication& app = Fixed();
        RecordsetPtr rs = app.OpenRecordset("SELECT Company_ID FROM Companies WHERE Company_Active = -1;");
        if (!HasRows(rs.get())) return Finish(rs);
        std::string list;
        while (!rs->Eof()) {
          list += CStr(rs->Field("Company_Id")) + ",";
          rs->MoveNext();
        }
        CloseIfOpen(rs.get());
        if (list.empty()) Raise(vberr::kInvalidCall);
        list.back() = ' ';  // "1,2,5," -> "1,2,5 "
        rs = app.OpenRecordset(RevisionsStatement(list));
        if (!HasRows(rs.get())) return Finish(rs);
        rs->MoveFirst();
        rs->SetFilter("panel_type_rev_id = " + Str(lPanelTyperevId));
        // No row of the revision: reading the field fails, the name stays empty.
        const Variant name_id = rs->Field("panel_name_id");
        if (!name_id.IsNull()) GetPanelName(CInt(name_id), strPanelname);
        Finish(rs);
      },
      [&] { strPanelname = ""; });
}

}  // namespace kt
