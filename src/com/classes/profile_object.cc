// _clsProfile over the clsProfile logic.
#include "com/classes/objects.h"
#include "com/marshal.h"
#include "com/object.h"
#include "keltrane/keltrane.h"
#include "profile/clsProfile.h"

namespace kt::com {
namespace {

class ProfileObject final : public DispatchObject<_clsProfile, ProfileObject> {
 public:
  static const ClassInfo& Info() { return ProfileClass(); }

  HRESULT AddClientEntry() override {
    return Call([&] { logic_.AddClientEntry(); });
  }
  HRESULT GetProfileFile() override {
    return Call([&] { logic_.GetProfileFile(); });
  }
  HRESULT ReorderCommands(SAFEARRAY** strCommands, SAFEARRAY** lCommandID) override {
    return Call([&] {
      StrArrayRef commands(strCommands);
      I4ArrayRef ids(lCommandID);
      logic_.ReorderCommands(commands.value(), ids.value());
    });
  }
  HRESULT ResetCommands() override {
    return Call([&] { logic_.ResetCommands(); });
  }
  HRESULT ReadFromProfile() override {
    return Call([&] { logic_.ReadFromProfile(); });
  }
  HRESULT get_GetClientID(LONG* result) override {
    return Call([&] { Ref(result) = logic_.GetClientID(); });
  }
  HRESULT put_SetClientID(LONG lNewValue) override {
    return Call([&] { logic_.SetClientID(lNewValue); });
  }
  HRESULT get_GetAccountID(LONG* result) override {
    return Call([&] { Ref(result) = logic_.GetAccountID(); });
  }
  HRESULT put_SetAccountID(LONG lNewValue) override {
    return Call([&] { logic_.SetAccountID(lNewValue); });
  }
  HRESULT get_GetRequestID(LONG* result) override {
    return Call([&] { Ref(result) = logic_.GetRequestID(); });
  }
  HRESULT put_SetRequestID(LONG lNewValue) override {
    return Call([&] { logic_.SetRequestID(lNewValue); });
  }
  HRESULT get_GetCommandID(LONG* result) override {
    return Call([&] { Ref(result) = logic_.GetCommandID(); });
  }
  HRESULT put_SetCommandID(LONG lNewValue) override {
    return Call([&] { logic_.SetCommandID(lNewValue); });
  }
  HRESULT SetCommands(BSTR* strCommands, LONG* lCommandID, SHORT* intIndex) override {
    return Call([&] {
      StrRef commands(strCommands);
      logic_.SetCommands(commands.value(), I4Ref(lCommandID), Ref(intIndex));
    });
  }
  HRESULT GetCommands(SAFEARRAY** strCommands, SAFEARRAY** lCommandID) override {
    return Call([&] {
      StrArrayRef commands(strCommands);
      I4ArrayRef ids(lCommandID);
      logic_.GetCommands(commands.value(), ids.value());
    });
  }
  HRESULT get_GetMaxRecord(LONG* result) override {
    return Call([&] { Ref(result) = logic_.GetMaxRecord(); });
  }
  HRESULT put_SetMaxRecord(LONG* lNewValue) override {
    return Call([&] { logic_.SetMaxRecord(I4Ref(lNewValue)); });
  }
  HRESULT GetAccountIDIndex(LONG* lAccountId, SHORT* result) override {
    return Call([&] {
      SHORT& out = Ref(result);
      out = 0;
      out = logic_.GetAccountIDIndex(I4Ref(lAccountId));
    });
  }
  HRESULT GetConnectionStatus(VARIANT_BOOL* result) override {
    return Call([&] { Ref(result) = ToVariantBool(logic_.GetConnectionStatus()); });
  }
  HRESULT DeleteClientEntry(SHORT* intIndex) override {
    return Call([&] { logic_.DeleteClientEntry(Ref(intIndex)); });
  }
  HRESULT GetRequestIDStatus(SHORT* intStatus) override {
    return Call([&] { logic_.GetRequestIDStatus(Ref(intStatus)); });
  }

 private:
  clsProfile logic_;
};

}  // namespace

HRESULT CreateProfile(REFIID riid, void** ppv) {
  return CreateObject<ProfileObject>(riid, ppv);
}

}  // namespace kt::com
