// The settings component: one value of suite_settings, or the caller's
// default when the setting is not there.
#include "com_object.h"
#include "components.h"
#include "db/database.h"
#include "keltrane/components.h"
#include "locations.h"
#include "lookup.h"

namespace kt::suite {
namespace {

class Settings final : public ComObject<IKtSettings, IID_IKtSettings> {
 public:
  HRESULT Reserved1() override { return E_NOTIMPL; }

  HRESULT ReadSetting(BSTR section, BSTR key, BSTR default_value, BSTR* value) override {
    if (value == nullptr) return E_POINTER;
    std::optional<std::string> text;
    std::string error;
    if (!ReadSettingText(db_, BstrToUtf8(section), BstrToUtf8(key), text, error))
      return Fail(E_FAIL, "Settings", error);
    *value = Utf8ToBstr(text ? *text : BstrToUtf8(default_value));
    return S_OK;
  }

 private:
  Database db_{DatabaseLocator(), FailureLog("Settings")};
};

}  // namespace

HRESULT CreateSettings(REFIID riid, void** ppv) {
  return CreateAndQuery<Settings>(riid, ppv);
}

}  // namespace kt::suite
