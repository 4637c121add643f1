// The company list component: the companies this installation serves, as
// text of comma-separated ids.
#include <cctype>
#include <charconv>
#include <string>

#include "com_object.h"
#include "components.h"
#include "db/database.h"
#include "keltrane/components.h"
#include "locations.h"
#include "lookup.h"

namespace kt::suite {
namespace {

// Whether `company` is one of the comma-separated ids in `list`; blanks
// around an item are ignored, an item that is not a whole number never
// matches.
bool IsCompanyListed(int64_t company, std::string_view list) {
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    std::string_view item =
        list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    while (!item.empty() && std::isspace(static_cast<unsigned char>(item.front()))) item.remove_prefix(1);
    while (!item.empty() && std::isspace(static_cast<unsigned char>(item.back()))) item.remove_suffix(1);
    if (!item.empty() && item.front() == '+') item.remove_prefix(1);
    int64_t id = 0;
    const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), id);
    if (!item.empty() && ec == std::errc() && end == item.data() + item.size() && id == company) return true;
    if (comma == std::string_view::npos) return false;
    start = comma + 1;
  }
}

constexpr char kComponent[] = "CompanyList";

class CompanyList final : public ComObject<IKtCompanyList, IID_IKtCompanyList> {
 public:
  HRESULT Reserved1() override { return E_NOTIMPL; }
  HRESULT Reserved2() override { return E_NOTIMPL; }
  HRESULT Reserved3() override { return E_NOTIMPL; }
  HRESULT Reserved4() override { return E_NOTIMPL; }
  HRESULT Reserved5() override { return E_NOTIMPL; }
  HRESULT Reserved6() override { return E_NOTIMPL; }
  HRESULT Reserved7() override { return E_NOTIMPL; }
  HRESULT Reserved8() override { return E_NOTIMPL; }
  HRESULT Reserved9() override { return E_NOTIMPL; }

  // The setting General/Companies when present, else the active companies'
  // ids in ascending order ("1,2,5").
  HRESULT GetCompanyList(BSTR* list) override {
    if (list == nullptr) return E_POINTER;
    std::optional<std::string> setting;
    std::string error;
    if (!ReadSettingText(db_, "General", "Companies", setting, error)) return Fail(E_FAIL, kComponent, error);
    if (setting) {
      *list = Utf8ToBstr(*setting);
      return S_OK;
    }
    RowSet rows;
    if (!db_.Query("SELECT Company_ID FROM Companies WHERE Company_Active = -1 ORDER BY Company_ID", {}, rows,
                   error)) {
      return Fail(E_FAIL, kComponent, error);
    }
    std::string text;
    for (const auto& row : rows.rows) {
      if (!text.empty()) text += ',';
      text += std::to_string(AsInteger(row[0]));
    }
    *list = Utf8ToBstr(text);
    return S_OK;
  }

  HRESULT IsCompanyInList(SHORT* company, BSTR* list, VARIANT_BOOL* listed) override {
    if (company == nullptr || list == nullptr || listed == nullptr) return E_POINTER;
    *listed = IsCompanyListed(*company, BstrToUtf8(*list)) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

 private:
  Database db_{DatabaseLocator(), FailureLog(kComponent)};
};

}  // namespace

HRESULT CreateCompanyList(REFIID riid, void** ppv) {
  return CreateAndQuery<CompanyList>(riid, ppv);
}

}  // namespace kt::suite
