// The library's own Env: components through the object run time, message
// boxes and folders through the run time's host services, profile files
// through the platform's profile layer.

#include "com/env/default_env.h"
#include "base/vbtext.h"
#include "com/env/com_ptr.h"
#include "com/env/provider_slot.h"
#include "com/env/system.h"
#include "com/marshal.h"
#include "components/env.h"
#include "frame/error.h"
#include "keltrane/components.h"
#include "keltrane/ktrt.h"
#include "profile/profile_file.h"

namespace kt::com {

[[noreturn]] void RaiseStatus(HRESULT hr) {
  std::string source, description;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info != nullptr) {
    BSTR s = nullptr, d = nullptr;
    info->GetSource(&s);
    info->GetDescription(&d);
    source = FromBstr(s);
    description = FromBstr(d);
    SysFreeString(s);
    SysFreeString(d);
    info->Release();
  }
  if (description.empty()) description = "Automation error";
  Raise(hr, std::move(source), std::move(description));
}

namespace {

// A BSTR argument that lives for one call.
class Bstr {
 public:
  explicit Bstr(std::string_view text) : b_(ToBstr(text)) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return b_; }

 private:
  BSTR b_;
};

// A BSTR result: freed when the holder goes.
struct BstrOut {
  BSTR b = nullptr;
  ~BstrOut() { SysFreeString(b); }
  std::string Text() const { return FromBstr(b); }
};

class ComRecordset final : public Recordset {
 public:
  explicit ComRecordset(ComPtr<IKtRecordset> rs) : rs_(std::move(rs)) {}
  IKtRecordset* raw() const { return rs_.get(); }
  int32_t State() override {
    LONG s = 0;
    Check(rs_->get_State(&s));
    return s;
  }
  void Close() override { Check(rs_->Close()); }
  int32_t RecordCount() override {
    LONG n = 0;
    Check(rs_->get_RecordCount(&n));
    return n;
  }
  void MoveFirst() override { Check(rs_->MoveFirst()); }
  void MoveNext() override { Check(rs_->MoveNext()); }
  bool Eof() override {
    VARIANT_BOOL eof = VARIANT_FALSE;
    Check(rs_->get_EOF(&eof));
    return eof != VARIANT_FALSE;
  }
  Variant Field(const std::string& name) override {
    VARIANT v;
    VariantInit(&v);
    Check(rs_->get_Field(Bstr(name), &v));
    Variant out;
    try {
      out = FromVariant(v);
    } catch (...) {
      VariantClear(&v);
      throw;
    }
    VariantClear(&v);
    return out;
  }
  void SetFilter(const std::string& filter) override { Check(rs_->put_Filter(Bstr(filter))); }

 private:
  ComPtr<IKtRecordset> rs_;
};

// OpenRecordset as both application components offer it: the statement, the
// recordset reference in/out, -1 and two Null tagged values by reference.
template <class I>
RecordsetPtr Open(I* app, const std::string& statement, RecordsetPtr passed) {
  IKtRecordset* raw = nullptr;
  if (auto* com_rs = dynamic_cast<ComRecordset*>(passed.get())) {
    raw = com_rs->raw();
    raw->AddRef();
  }
  passed.reset();
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  a.vt = b.vt = VT_NULL;
  HRESULT hr = app->OpenRecordset(Bstr(statement), &raw, -1, &a, &b);
  // Whatever comes back in the reference is ours, also on failure.
  ComPtr<IKtRecordset> rs(raw);
  VariantClear(&a);
  VariantClear(&b);
  Check(hr);
  if (!rs) return nullptr;
  return std::make_unique<ComRecordset>(std::move(rs));
}

class ComFixed final : public FixedApplication {
 public:
  explicit ComFixed(ComPtr<IKtFixedApplication> p) : p_(std::move(p)) {}
  RecordsetPtr OpenRecordset(const std::string& statement, RecordsetPtr recordset) override {
    return Open(p_.get(), statement, std::move(recordset));
  }

 private:
  ComPtr<IKtFixedApplication> p_;
};

class ComDownload final : public DownloadApplication {
 public:
  explicit ComDownload(ComPtr<IKtDownloadApplication> p) : p_(std::move(p)) {}
  RecordsetPtr OpenRecordset(const std::string& statement, RecordsetPtr recordset) override {
    return Open(p_.get(), statement, std::move(recordset));
  }
  void ExecuteStatement(const std::string& statement) override {
    ComPtr<IUnknown> result;
    Check(p_->ExecuteStatement(Bstr(statement), result.put()));
  }

 private:
  ComPtr<IKtDownloadApplication> p_;
};

class ComConfig final : public ConfigServices {
 public:
  explicit ComConfig(ComPtr<IKtConfigServices> p) : p_(std::move(p)) {}
  std::string ReadConfigValue(const std::string& section, const std::string& key,
                              const std::string& default_value) override {
    BstrOut out;
    Check(p_->ReadConfigValue(Bstr(section), Bstr(key), Bstr(default_value), &out.b));
    return out.Text();
  }
  std::string GetMessageText(int32_t& number) override {
    BstrOut out;
    Check(p_->GetMessageText(LongArg(number), &out.b));
    return out.Text();
  }
  int16_t GetCompanyClassValue(int32_t& company) override {
    SHORT v = 0;
    Check(p_->GetCompanyClassValue(LongArg(company), &v));
    return v;
  }
  int32_t GetAccountPanel(int32_t& account, int32_t& panel_type_rev) override {
    // The revision travels as a tagged value that refers to a variable of
    // ours, which goes back to the caller also when the call fails.
    LONG revision = panel_type_rev;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BYREF | VT_I4;
    ref.plVal = &revision;
    LONG panel = 0;
    const HRESULT hr = p_->GetAccountPanel(LongArg(account), &ref, &panel);
    panel_type_rev = static_cast<int32_t>(revision);
    Check(hr);
    return panel;
  }
  int32_t GetRevisionCompany(int32_t& panel_type_rev, int32_t& panel_name) override {
    LONG company = 0;
    Check(p_->GetRevisionCompany(LongArg(panel_type_rev), LongArg(panel_name), &company));
    return company;
  }
  int32_t GetMappedCompany(int32_t& company) override {
    LONG mapped = 0;
    Check(p_->GetMappedCompany(LongArg(company), &mapped));
    return mapped;
  }
  int16_t GetPanelNameFlag(int32_t& panel_name) override {
    SHORT flag = 0;
    Check(p_->GetPanelNameFlag(LongArg(panel_name), &flag));
    return flag;
  }
  std::string GetProtocolSection(int32_t protocol, std::string& scratch) override {
    BSTR s = ToBstr(scratch);
    BstrOut out;
    HRESULT hr = p_->GetProtocolSection(protocol, &s, &out.b);
    scratch = FromBstr(s);
    SysFreeString(s);
    Check(hr);
    return out.Text();
  }

 private:
  ComPtr<IKtConfigServices> p_;
};

class ComSettings final : public Settings {
 public:
  explicit ComSettings(ComPtr<IKtSettings> p) : p_(std::move(p)) {}
  std::string ReadSetting(const std::string& section, const std::string& key,
                          const std::string& default_value) override {
    BstrOut out;
    Check(p_->ReadSetting(Bstr(section), Bstr(key), Bstr(default_value), &out.b));
    return out.Text();
  }

 private:
  ComPtr<IKtSettings> p_;
};

class ComCompanyList final : public CompanyList {
 public:
  explicit ComCompanyList(ComPtr<IKtCompanyList> p) : p_(std::move(p)) {}
  std::string GetCompanyList() override {
    BstrOut out;
    Check(p_->GetCompanyList(&out.b));
    return out.Text();
  }
  bool IsCompanyInList(int16_t& company, std::string& list) override {
    BSTR l = ToBstr(list);
    VARIANT_BOOL listed = VARIANT_FALSE;
    HRESULT hr = p_->IsCompanyInList(&company, &l, &listed);
    list = FromBstr(l);
    SysFreeString(l);
    Check(hr);
    return listed != VARIANT_FALSE;
  }

 private:
  ComPtr<IKtCompanyList> p_;
};

class ComLogger final : public Logger {
 public:
  explicit ComLogger(ComPtr<IKtLogger> p) : p_(std::move(p)) {}
  void LogEntry(int32_t level, const std::string& source, const std::string& message) override {
    Check(p_->LogEntry(level, Bstr(source), Bstr(message)));
  }
  void LogErrorEntry(int32_t level, const std::string& source, const std::string& message,
                     int32_t error_number) override {
    Check(p_->LogErrorEntry(level, Bstr(source), Bstr(message), error_number));
  }

 private:
  ComPtr<IKtLogger> p_;
};

class ProcessEnv final : public Env {
 public:
  std::unique_ptr<FixedApplication> CreateFixedApplication() override {
    return std::make_unique<ComFixed>(
        CreateComponent<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication));
  }
  std::unique_ptr<DownloadApplication> CreateDownloadApplication() override {
    return std::make_unique<ComDownload>(
        CreateComponent<IKtDownloadApplication>(CLSID_KtDownloadApplication, IID_IKtDownloadApplication));
  }
  std::unique_ptr<ConfigServices> CreateConfigServices() override {
    return std::make_unique<ComConfig>(
        CreateComponent<IKtConfigServices>(CLSID_KtConfigServices, IID_IKtConfigServices));
  }
  std::unique_ptr<Settings> CreateSettings() override {
    return std::make_unique<ComSettings>(CreateComponent<IKtSettings>(CLSID_KtSettings, IID_IKtSettings));
  }
  std::unique_ptr<CompanyList> CreateCompanyList() override {
    return std::make_unique<ComCompanyList>(
        CreateComponent<IKtCompanyList>(CLSID_KtCompanyList, IID_IKtCompanyList));
  }
  std::unique_ptr<Logger> CreateLogger() override {
    return std::make_unique<ComLogger>(CreateComponent<IKtLogger>(CLSID_KtLogger, IID_IKtLogger));
  }
  RecordsetPtr CreateRecordset() override {
    return std::make_unique<ComRecordset>(CreateComponent<IKtRecordset>(CLSID_KtRecordset, IID_IKtRecordset));
  }

  int MessageBox(const std::string& text, const std::string& title, unsigned style) override {
    return KtMessageBox(text.c_str(), title.c_str(), style);
  }

  std::string ModuleDir() override {
    char* dir = nullptr;
    std::string out;
    if (SUCCEEDED(KtGetModuleDir(reinterpret_cast<const void*>(&DefaultEnv), &dir)) && dir != nullptr)
      out = dir;
    CoTaskMemFree(dir);
    return out;
  }

  std::string WindowsDir() override { return sys::WindowsDir(ModuleDir()); }

  size_t GetProfileString(const std::string& section, const std::string& key,
                          const std::string& default_value, std::string& buffer, size_t size,
                          const std::string& file) override {
    return profile::GetPrivateProfileString(section, key, default_value, buffer, size, file);
  }
  bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                          const std::string& file) override {
    return profile::WritePrivateProfileString(section, key, value, file);
  }

  std::string InstalledPath() override {
    int load_error = 0;
    const sys::InstalledPathFn provider = provider_.Get(
        [this](int* error) { return sys::LoadInstalledPathProvider(ModuleDir(), error); }, &load_error);
    if (provider == nullptr) Raise(load_error);
    BstrOut answer;
    answer.b = provider();
    return sys::ProviderText(answer.b);
  }

 private:
  sys::ProviderSlot provider_;
};

}  // namespace
}  // namespace kt::com

namespace kt::com {

Env& DefaultEnv() {
  static ProcessEnv env;
  return env;
}

}  // namespace kt::com
