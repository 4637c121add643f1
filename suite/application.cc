// The two application components: statements of the library's dialect run on
// the suite database.  Each instance owns its own connection.
#include <string>

#include "com_object.h"
#include "components.h"
#include "db/database.h"
#include "keltrane/components.h"
#include "locations.h"
#include "recordset.h"

namespace kt::suite {
namespace {

// OpenRecordset as both components offer it.  A SELECT hands back an open
// recordset (empty when no row matched); any other statement hands back
// none.  A recordset passed in is released and replaced.  options and the two
// trailing arguments (-1, Null, Null from the library) are not used.
HRESULT OpenRecordsetOn(Database& db, const char* component, BSTR statement, IKtRecordset** recordset) {
  RowSet rows;
  std::string error;
  if (!db.Execute(BstrToUtf8(statement), rows, error)) return Fail(E_FAIL, component, error);
  if (recordset == nullptr) return S_OK;
  if (*recordset != nullptr) (*recordset)->Release();
  *recordset = rows.has_columns ? NewOpenRecordset(std::move(rows)) : nullptr;
  return S_OK;
}

class DownloadApplication final : public ComObject<IKtDownloadApplication, IID_IKtDownloadApplication> {
 public:
  HRESULT OpenRecordset(BSTR statement, IKtRecordset** recordset, LONG, VARIANT*, VARIANT*) override {
    return OpenRecordsetOn(db_, kComponent, statement, recordset);
  }

  // Runs any statement; the result is a recordset, closed for a statement
  // without rows, as ADO's Execute returns.
  HRESULT ExecuteStatement(BSTR statement, IUnknown** result) override {
    RowSet rows;
    std::string error;
    if (!db_.Execute(BstrToUtf8(statement), rows, error)) return Fail(E_FAIL, kComponent, error);
    if (result != nullptr) {
      *result = rows.has_columns ? NewOpenRecordset(std::move(rows)) : NewClosedRecordset();
    }
    return S_OK;
  }

 private:
  static constexpr char kComponent[] = "DownloadApplication";
  Database db_{DatabaseLocator(), FailureLog(kComponent)};
};

class FixedApplication final : public ComObject<IKtFixedApplication, IID_IKtFixedApplication> {
 public:
  HRESULT OpenRecordset(BSTR statement, IKtRecordset** recordset, LONG, VARIANT*, VARIANT*) override {
    return OpenRecordsetOn(db_, kComponent, statement, recordset);
  }

 private:
  static constexpr char kComponent[] = "FixedApplication";
  Database db_{DatabaseLocator(), FailureLog(kComponent)};
};

}  // namespace

HRESULT CreateDownloadApplication(REFIID riid, void** ppv) {
  return CreateAndQuery<DownloadApplication>(riid, ppv);
}
HRESULT CreateFixedApplication(REFIID riid, void** ppv) {
  return CreateAndQuery<FixedApplication>(riid, ppv);
}

}  // namespace kt::suite
