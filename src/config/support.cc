// clsINIData: whether an account's panel supports a protocol (the
// PanelSupported lists of Vizaride32.ini) and whether a panel revision has
// a TCP/IP setting in the suite database.
#include <string>

#include "config/clsINIData.h"
#include "frame/convert.h"
#include "frame/handler.h"

namespace kt {
namespace {

const std::string kSupportSection = "PanelSupported";

// Closes a recordset still open when the member is left by an error.  The
// close must not replace the error on its way out, so it is quiet and the
// current error record is kept.
class QuietClose {
 public:
  explicit QuietClose(RecordsetPtr& rs) : rs_(rs) {}
  QuietClose(const QuietClose&) = delete;
  QuietClose& operator=(const QuietClose&) = delete;
  ~QuietClose() {
    const ErrRecord pending = Err();
    try {
      if (rs_ != nullptr && rs_->State() == 1) rs_->Close();
    } catch (...) {
    }
    Err() = pending;
  }

 private:
  RecordsetPtr& rs_;
};

}  // namespace

int16_t clsINIData::IsSupported(int32_t& lAccountId, std::string& strProtocol, int16_t& nSupport) {
  OnErrorLeave([&] {
    nSupport = 0;
    int32_t rev = 0;
    int32_t name_id = 0;
    if (lAccountId <= 0 || strProtocol.empty() || !m_objCfgAppln) return;
    m_objCfgAppln->GetAccountPanel(lAccountId, rev);
    m_objCfgAppln->GetRevisionCompany(rev, name_id);
    if (name_id <= 0) return;
    // The protocol's key lists the supporting panel names as "#id#"; a
    // revision of a listed name can still be excluded on its own.
    const std::string names = ini_get(kSupportSection, strProtocol, "");
    if (names.empty() || names.find("#" + Str(name_id) + "#") == std::string::npos) return;
    const std::string excluded = ini_get(kSupportSection, "CSRevIdsExcluded", "");
    nSupport = excluded.find("#" + Str(rev) + "#") != std::string::npos ? 0 : -1;
  });
  return nSupport;
}

int16_t clsINIData::IsTCPSupport(int32_t& lPanelTyperevId) {
  // No handler: every error reaches the caller.
  int16_t result = 1;
  std::unique_ptr<FixedApplication> app = env_.CreateFixedApplication();
  RecordsetPtr rs = app->OpenRecordset(
      "SELECT tcp_ip_value FROM panel_type_revision WHERE panel_type_rev_id = " + Str(lPanelTyperevId));
  QuietClose guard(rs);
  if (rs == nullptr) Raise(vberr::kObjectNotSet);
  // The row the recordset stands on when it opens; a Null value means the
  // revision has no TCP/IP setting.
  if (rs->RecordCount() > 0 && !rs->Field("tcp_ip_value").IsNull()) result = 0;
  if (rs->State() == 1) rs->Close();
  return result;
}

}  // namespace kt
