// Everything the class logic needs from outside itself: the suite's
// components, created by class id, and the platform's services.  The
// library runs on the default Env (the object run time and the real
// platform); tests hand the classes an Env of fakes.
#pragma once

#include <memory>
#include <string>

#include "components/components.h"

// <windows.h>, where a file includes it first, maps these names to its A or
// W functions; here they name the Env's members.
#undef MessageBox
#undef GetProfileString
#undef WriteProfileString

namespace kt {

// Message-box styles and answers, with their Windows values.
namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconStop = 0x10;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
}  // namespace mb

class Env {
 public:
  virtual ~Env() = default;

  // Component creation; a failure raises the creation's error.
  virtual std::unique_ptr<FixedApplication> CreateFixedApplication() = 0;
  virtual std::unique_ptr<DownloadApplication> CreateDownloadApplication() = 0;
  virtual std::unique_ptr<ConfigServices> CreateConfigServices() = 0;
  virtual std::unique_ptr<Settings> CreateSettings() = 0;
  virtual std::unique_ptr<CompanyList> CreateCompanyList() = 0;
  virtual std::unique_ptr<Logger> CreateLogger() = 0;
  // A new, unopened recordset object.
  virtual RecordsetPtr CreateRecordset() = 0;

  // A modal message box; returns the answer (mb::kAnswer*).
  virtual int MessageBox(const std::string& text, const std::string& title, unsigned style) = 0;

  // The folder of the library's own file (no trailing separator).
  virtual std::string ModuleDir() = 0;
  // The folder that stands for the Windows directory.
  virtual std::string WindowsDir() = 0;

  // Profile files: the rules of GetPrivateProfileString / WritePrivateProfileString.
  // Reads into a buffer of `size` characters and returns the count copied.
  virtual size_t GetProfileString(const std::string& section, const std::string& key,
                                  const std::string& default_value, std::string& buffer, size_t size,
                                  const std::string& file) = 0;
  // Returns false when the file cannot be written.
  virtual bool WriteProfileString(const std::string& section, const std::string& key,
                                  const std::string& value, const std::string& file) = 0;

  // The suite's installed folder, from its provider library (loaded by name on
  // first use).  Raises 48 when the library cannot be loaded, 453 when it has
  // no such function.
  virtual std::string InstalledPath() = 0;
};

}  // namespace kt
