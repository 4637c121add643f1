// The keltrane host: loads libKeltrane.so, hands the host's options to the
// libraries, shows message boxes on stderr and records them, and drives the
// four classes late-bound.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "keltrane/ktrt.h"
#include "log_tap.h"
#include "members.h"

namespace kt::host {

using json = nlohmann::ordered_json;

// A usage error: one line on stderr, exit status 2.
struct UsageError {
  std::string message;
};

struct Options {
  std::string module_dir;
  std::string windows_dir;
  std::string db;
  std::string log;
  std::string answer = "no";
  std::string log_max_bytes;
  std::string log_keep;
};

// A class of the library: its class id and ProgID come from the public
// header, its name is the ProgID's part after the library's name, and its
// interface is read from an instance's type information.
struct ClassRef {
  CLSID clsid;
  std::string progid;  // "Keltrane.clsProfile"
  std::string name;    // "clsProfile"
};

// The library's classes, in the order of its class table.
const std::vector<ClassRef>& LibraryClasses();

// One late-bound call on a live object.
struct CallRequest {
  std::string member;      // name (any case) or dispatch id "0x60030004"
  std::vector<json> args;  // one per declared parameter
};

class Host {
 public:
  // Loads the library and registers its classes in this process.
  explicit Host(const Options& options);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // TARGET: a ProgID or a braced class id of one of the library's classes.
  const ClassRef& ResolveClass(const std::string& target) const;
  // Creates an instance; on failure returns the failed call object instead.
  IDispatch* Create(const ClassRef& cls, json* failure);
  // Calls a member and returns the call object; *ok says whether it succeeded.
  json Call(IDispatch* object, const ClassRef& cls, const CallRequest& request, bool* ok);
  // The interface of cls as an instance's type information describes it
  // (read once per class); nullptr and *failure set when it cannot be read.
  const InterfaceDesc* Interface(IDispatch* object, const ClassRef& cls, json* failure);
  // A class's members from a new instance's type information; *ok says
  // whether it could be created and described (else the failure object).
  json Members(const ClassRef& cls, bool* ok);
  // Every class of the library: name, ProgID, class id, interface and
  // members; *ok as for Members.
  json Classes(bool* ok);

  HRESULT Register();
  HRESULT Unregister();
  // The folder that stands for the library's own folder.
  std::string ModuleDir() const;
  // The failed-status object for a creation or registration failure.
  static json FailureObject(HRESULT hr);

 private:
  static int ShowBox(void* context, const char* text, const char* title, UINT style);

  Options options_;
  void* library_ = nullptr;
  HRESULT(STDAPICALLTYPE* register_)() = nullptr;
  HRESULT(STDAPICALLTYPE* unregister_)() = nullptr;
  std::vector<DWORD> cookies_;
  json boxes_ = json::array();
  json log_ = json::array();
  std::unique_ptr<LogTap> tap_;
  std::map<std::string, InterfaceDesc> interfaces_;  // by ProgID
};

// Runs the host's command line; returns the exit status.
int Main(int argc, char** argv);

}  // namespace kt::host
