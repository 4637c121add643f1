// The recordset component: an ADO-like view over rows already fetched.
#pragma once

#include "db/rowset.h"
#include "keltrane/components.h"

namespace kt::suite {

// An open recordset over `rows`, positioned on the first row (one reference).
IKtRecordset* NewOpenRecordset(RowSet rows);
// A closed recordset, as ADO hands back for a statement without rows.
IKtRecordset* NewClosedRecordset();
// The class factory's creation function: a new, never opened recordset.
HRESULT CreateRecordset(REFIID riid, void** ppv);

}  // namespace kt::suite
