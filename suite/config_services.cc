// The configuration services component: settings, message texts and the
// company, account and revision lookups, all read from the suite database.
// "None" answers are 0 or "" as the library expects, never failures.
#include <limits>
#include <string>

#include "com_object.h"
#include "components.h"
#include "db/database.h"
#include "keltrane/components.h"
#include "locations.h"
#include "lookup.h"

namespace kt::suite {
namespace {

constexpr char kComponent[] = "ConfigServices";

// A LONG result: 0 for Null, an error for a stored value beyond 32 bits.
HRESULT ToLong(const Value& v, const char* what, LONG* out) {
  const int64_t n = AsInteger(v);
  if (n < std::numeric_limits<LONG>::min() || n > std::numeric_limits<LONG>::max()) {
    return Fail(DISP_E_OVERFLOW, kComponent,
                std::string(what) + " " + std::to_string(n) + " does not fit 32 bits");
  }
  *out = static_cast<LONG>(n);
  return S_OK;
}

HRESULT ToShort(const Value& v, const char* what, SHORT* out) {
  const int64_t n = AsInteger(v);
  if (n < std::numeric_limits<SHORT>::min() || n > std::numeric_limits<SHORT>::max()) {
    return Fail(DISP_E_OVERFLOW, kComponent,
                std::string(what) + " " + std::to_string(n) + " does not fit 16 bits");
  }
  *out = static_cast<SHORT>(n);
  return S_OK;
}

// Writes a LONG through the tagged value the caller passed: a reference to
// its LONG or Variant, or the value itself.
HRESULT StoreLong(VARIANT* target, LONG value) {
  if (target == nullptr) return S_OK;
  if (target->vt == (VT_BYREF | VT_I4)) {
    if (target->plVal == nullptr) return E_POINTER;
    *target->plVal = value;
    return S_OK;
  }
  if (target->vt == (VT_BYREF | VT_VARIANT)) {
    if (target->pvarVal == nullptr) return E_POINTER;
    target = target->pvarVal;
  }
  if ((target->vt & VT_BYREF) != 0) {
    return Fail(DISP_E_TYPEMISMATCH, kComponent,
                "the panel type revision must be passed as a Long or Variant");
  }
  VariantClear(target);
  target->vt = VT_I4;
  target->lVal = value;
  return S_OK;
}

class ConfigServices final : public ComObject<IKtConfigServices, IID_IKtConfigServices> {
 public:
  HRESULT Reserved1() override { return E_NOTIMPL; }
  HRESULT Reserved3() override { return E_NOTIMPL; }
  HRESULT Reserved4() override { return E_NOTIMPL; }
  HRESULT Reserved11() override { return E_NOTIMPL; }
  HRESULT Reserved12() override { return E_NOTIMPL; }
  HRESULT Reserved13() override { return E_NOTIMPL; }

  // The value of a setting, or the default when it has none.
  HRESULT ReadConfigValue(BSTR section, BSTR key, BSTR default_value, BSTR* value) override {
    if (value == nullptr) return E_POINTER;
    std::optional<std::string> text;
    std::string error;
    if (!ReadSettingText(db_, BstrToUtf8(section), BstrToUtf8(key), text, error))
      return Fail(E_FAIL, kComponent, error);
    *value = Utf8ToBstr(text ? *text : BstrToUtf8(default_value));
    return S_OK;
  }

  HRESULT GetMessageText(LONG* number, BSTR* text) override {
    if (number == nullptr || text == nullptr) return E_POINTER;
    std::optional<std::vector<Value>> row;
    if (!Lookup("SELECT Message_Text FROM suite_messages WHERE Message_Number = ?1", *number, row))
      return E_FAIL;
    *text = Utf8ToBstr(row && !(*row)[0].IsNull() ? (*row)[0].text : std::string());
    return S_OK;
  }

  HRESULT GetCompanyClassValue(LONG* company, SHORT* class_value) override {
    if (company == nullptr || class_value == nullptr) return E_POINTER;
    std::optional<std::vector<Value>> row;
    if (!Lookup("SELECT Class_Value FROM Companies WHERE Company_ID = ?1", *company, row)) return E_FAIL;
    *class_value = 0;
    return row ? ToShort((*row)[0], "Class_Value", class_value) : S_OK;
  }

  // The account's panel and that panel's revision; 0 and 0 when none.
  HRESULT GetAccountPanel(LONG* account, VARIANT* panel_type_rev, LONG* panel) override {
    if (account == nullptr || panel == nullptr) return E_POINTER;
    std::optional<std::vector<Value>> row;
    if (!Lookup("SELECT s.panel_ID, p.Panel_Type_Rev_ID FROM Subscriber s LEFT JOIN panel p ON p.Panel_ID = "
                "s.panel_ID WHERE s.Account_id = ?1",
                *account, row)) {
      return E_FAIL;
    }
    LONG found_panel = 0, revision = 0;
    if (row) {
      if (HRESULT hr = ToLong((*row)[0], "panel_ID", &found_panel); FAILED(hr)) return hr;
      if (HRESULT hr = ToLong((*row)[1], "Panel_Type_Rev_ID", &revision); FAILED(hr)) return hr;
    }
    if (HRESULT hr = StoreLong(panel_type_rev, revision); FAILED(hr)) return hr;
    *panel = found_panel;
    return S_OK;
  }

  // The revision's panel name (written back) and that name's company.
  HRESULT GetRevisionCompany(LONG* panel_type_rev, LONG* panel_name, LONG* company) override {
    if (panel_type_rev == nullptr || panel_name == nullptr || company == nullptr) return E_POINTER;
    std::optional<std::vector<Value>> row;
    if (!Lookup("SELECT r.panel_name_id, n.Company_ID FROM panel_type_revision r LEFT JOIN panel_names n ON "
                "n.panel_name_id = r.panel_name_id WHERE r.panel_type_rev_id = ?1",
                *panel_type_rev, row)) {
      return E_FAIL;
    }
    LONG name = 0, owner = 0;
    if (row) {
      if (HRESULT hr = ToLong((*row)[0], "panel_name_id", &name); FAILED(hr)) return hr;
      if (HRESULT hr = ToLong((*row)[1], "Company_ID", &owner); FAILED(hr)) return hr;
    }
    *panel_name = name;
    *company = owner;
    return S_OK;
  }

  HRESULT GetMappedCompany(LONG* company, LONG* mapped) override {
    if (company == nullptr || mapped == nullptr) return E_POINTER;
    std::optional<std::vector<Value>> row;
    if (!Lookup("SELECT Mapped_Company_ID FROM Companies WHERE Company_ID = ?1", *company, row))
      return E_FAIL;
    *mapped = 0;
    return row ? ToLong((*row)[0], "Mapped_Company_ID", mapped) : S_OK;
  }

  HRESULT GetPanelNameFlag(LONG* panel_name, SHORT* flag) override {
    if (panel_name == nullptr || flag == nullptr) return E_POINTER;
    std::optional<std::vector<Value>> row;
    if (!Lookup("SELECT Use_Company_Class FROM panel_names WHERE panel_name_id = ?1", *panel_name, row)) {
      return E_FAIL;
    }
    *flag = 0;
    return row ? ToShort((*row)[0], "Use_Company_Class", flag) : S_OK;
  }

  // The settings section of a protocol: suite_settings "ProtocolSections",
  // key = the protocol number; "" when there is none.  scratch is the
  // caller's work variable and stays as it is.
  HRESULT GetProtocolSection(LONG protocol, BSTR* /*scratch*/, BSTR* section) override {
    if (section == nullptr) return E_POINTER;
    std::optional<std::string> text;
    std::string error;
    if (!ReadSettingText(db_, "ProtocolSections", std::to_string(protocol), text, error)) {
      return Fail(E_FAIL, kComponent, error);
    }
    *section = Utf8ToBstr(text.value_or(std::string()));
    return S_OK;
  }

 private:
  // Runs a one-key lookup; on failure sets the error information.
  bool Lookup(std::string_view sql, LONG key, std::optional<std::vector<Value>>& row) {
    std::string error;
    if (FirstRow(db_, sql, {Value::Integer(key)}, row, error)) return true;
    Fail(E_FAIL, kComponent, error);
    return false;
  }

  Database db_{DatabaseLocator(), FailureLog(kComponent)};
};

}  // namespace

HRESULT CreateConfigServices(REFIID riid, void** ppv) {
  return CreateAndQuery<ConfigServices>(riid, ppv);
}

}  // namespace kt::suite
