// clsINIData: construction, teardown and the INI store (Vizaride32.ini in the
// suite's Storage folder beside the library's own folder).
#include "config/clsINIData.h"

#include "frame/convert.h"
#include "frame/handler.h"
#include "logging/LogModule.h"

namespace kt {
namespace {

// Relative to the folder that holds the library's folder.  The doubled
// separator is kept as the suite has always written it; the file system
// reads it as one.
constexpr const char* kIniRelative = "Storage//Vizaride32.ini";

constexpr size_t kIniBufferSize = 1200;
constexpr size_t kE2BufferSize = 700;
const std::string kE2DefaultPath = "C:\\Program Files\\Brantwick\\Velmora20\\Storage";
const std::string kE2Source = "Keltrane->clsINIData->ini_getE2Path";

// The library folder's parent with its trailing separator: the leading
// characters up to and including the last '/' or '\' (Windows folders use
// either), or nothing when the folder has no separator at all.
std::string ParentPrefix(const std::string& folder) {
  const size_t last = folder.find_last_of("/\\");
  return last == std::string::npos ? std::string() : folder.substr(0, last + 1);
}

}  // namespace

clsINIData::clsINIData(Env& env) : env_(env) {
  // No handler: a failure here fails the object's creation.
  m_objCfgAppln = env_.CreateConfigServices();
  m_strIniFile = ParentPrefix(env_.ModuleDir()) + kIniRelative;
  m_intMaxComPorts = CInt(ini_get("Communications", "MaxComPorts", "20"));
  m_intMaxTCPIPPorts = CInt(ini_get("Communications", "MaxTCPIPPorts", "20"));
}

clsINIData::~clsINIData() {
  m_objCfgAppln.reset();
}

std::string clsINIData::ini_get(const std::string& Section, const std::string& Key,
                                const std::string& szDefault) {
  std::string result;
  OnErrorLeave([&] {
    std::string buffer;
    const size_t n = env_.GetProfileString(Section, Key, szDefault, buffer, kIniBufferSize, m_strIniFile);
    // A key that is present but empty copies nothing and reads as the default.
    // n counts characters, not bytes: the buffer holds just what was copied.
    result = n > 0 ? buffer : szDefault;
  });
  return result;
}

void clsINIData::ini_write(const std::string& Section, const std::string& Key, const Variant& stringvalue) {
  WriteKey(IniFile::kSettings, Section, Key, stringvalue);
}

// Both writers, to Vizaride32.ini and to download.ini, say "Download.ini"
// and "ini_write" in their failure box.
void clsINIData::WriteKey(IniFile which, const std::string& Section, const std::string& Key,
                          const Variant& stringvalue) {
  OnErrorLeave([&] {
    // A Null has no text form: the conversion fails and nothing is written.
    const std::string text = CStr(stringvalue);
    const std::string file = which == IniFile::kSettings ? m_strIniFile : env_.WindowsDir() + "/download.ini";
    if (!env_.WriteProfileString(Section, Key, text, file)) {
      env_.MessageBox("Error writing to Download.ini file\rSection: [" + Section + "]\r" + Key + " = " + text,
                      "ini_write", mb::kIconStop | mb::kOk);
    }
  });
}

std::string clsINIData::ini_getE2Path() {
  std::string result;
  OnErrorLeave(
      [&] {
        std::string buffer;
        const size_t n =
            env_.GetProfileString("E2File", "File_Path", kE2DefaultPath, buffer, kE2BufferSize, m_strIniFile);
        result = n > 0 ? buffer : kE2DefaultPath;
      },
      [&] {
        WriteLog(env_, 1, kE2Source,
                 "Function Error #:" + Str(Err().number) + ", Error :" + Err().description);
        result = kE2DefaultPath;
      });
  return result;
}

}  // namespace kt
