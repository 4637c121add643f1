// The suite's outside components as the class logic calls them.  Every
// failure (a component that cannot be created, a failing status) arrives as
// a VbError carrying the component's status and error information.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame/variant.h"

namespace kt {

// A row set handed back by the application components (the library's view
// of an ADO recordset).
class Recordset {
 public:
  virtual ~Recordset() = default;
  virtual int32_t State() = 0;  // 1 open, 0 closed
  virtual void Close() = 0;
  virtual int32_t RecordCount() = 0;
  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;
  virtual bool Eof() = 0;
  // The current row's field, found by name without regard to case; a
  // database Null comes back as Null.
  virtual Variant Field(const std::string& name) = 0;
  // "panel_type_rev_id = n": only rows with that value stay visible.
  virtual void SetFilter(const std::string& filter) = 0;
};
using RecordsetPtr = std::unique_ptr<Recordset>;

// Closes a recordset that is open (a member's clean-up: "If rs.State = 1
// Then rs.Close").
inline void CloseIfOpen(Recordset* rs) {
  if (rs != nullptr && rs->State() == 1) rs->Close();
}

// Runs the statements of the subscriber and common lookups.
class FixedApplication {
 public:
  virtual ~FixedApplication() = default;
  // recordset: the reference the caller passes in (empty, or a new unopened
  // recordset); the result is the one that comes back, possibly none.
  virtual RecordsetPtr OpenRecordset(const std::string& statement, RecordsetPtr recordset = nullptr) = 0;
};

class DownloadApplication {
 public:
  virtual ~DownloadApplication() = default;
  virtual RecordsetPtr OpenRecordset(const std::string& statement, RecordsetPtr recordset = nullptr) = 0;
  // Runs a statement; the object it gives back is released unused.
  virtual void ExecuteStatement(const std::string& statement) = 0;
};

class ConfigServices {
 public:
  virtual ~ConfigServices() = default;
  virtual std::string ReadConfigValue(const std::string& section, const std::string& key,
                                      const std::string& default_value) = 0;
  virtual std::string GetMessageText(int32_t& number) = 0;
  virtual int16_t GetCompanyClassValue(int32_t& company) = 0;
  // Fills panel_type_rev (passed as a reference to the caller's variable).
  virtual int32_t GetAccountPanel(int32_t& account, int32_t& panel_type_rev) = 0;
  // Fills panel_name.
  virtual int32_t GetRevisionCompany(int32_t& panel_type_rev, int32_t& panel_name) = 0;
  virtual int32_t GetMappedCompany(int32_t& company) = 0;
  virtual int16_t GetPanelNameFlag(int32_t& panel_name) = 0;
  virtual std::string GetProtocolSection(int32_t protocol, std::string& scratch) = 0;
};

class Settings {
 public:
  virtual ~Settings() = default;
  virtual std::string ReadSetting(const std::string& section, const std::string& key,
                                  const std::string& default_value) = 0;
};

class CompanyList {
 public:
  virtual ~CompanyList() = default;
  virtual std::string GetCompanyList() = 0;
  virtual bool IsCompanyInList(int16_t& company, std::string& list) = 0;
};

class Logger {
 public:
  virtual ~Logger() = default;
  virtual void LogEntry(int32_t level, const std::string& source, const std::string& message) = 0;
  virtual void LogErrorEntry(int32_t level, const std::string& source, const std::string& message,
                             int32_t error_number) = 0;
};

}  // namespace kt
