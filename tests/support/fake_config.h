// A scripted ConfigServices: configuration values, the account -> revision ->
// company chain, protocol sections and message text come from a ConfigScript;
// every call is logged, and a call whose log entry starts with fail_on raises.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_env.h"

namespace kt::test {

struct ConfigScript {
  std::map<std::string, std::string> values;                 // "section|key"
  std::map<int32_t, std::pair<int32_t, int32_t>> accounts;   // account -> (panel, revision)
  std::map<int32_t, std::pair<int32_t, int32_t>> revisions;  // revision -> (company, panel name)
  std::map<int32_t, int32_t> mapped;                         // company -> mapped company
  std::map<int32_t, int16_t> flags;                          // panel name -> flag
  std::map<int32_t, int16_t> class_values;                   // company -> class value
  std::map<int32_t, std::string> sections;                   // protocol -> section; others raise
  std::string message = "message";                           // the text of every message number
  std::optional<std::string> fail_on;                        // "" fails every call
  std::vector<std::string> calls;                            // "Member(argument)", in order
};

class FakeConfig : public ConfigServices {
 public:
  explicit FakeConfig(ConfigScript& s) : s_(s) {}
  std::string ReadConfigValue(const std::string& section, const std::string& key,
                              const std::string& default_value) override {
    Call("ReadConfigValue", key);
    auto it = s_.values.find(section + "|" + key);
    return it == s_.values.end() ? default_value : it->second;
  }
  std::string GetMessageText(int32_t& number) override {
    Call("GetMessageText", number);
    return s_.message;
  }
  int16_t GetCompanyClassValue(int32_t& company) override {
    Call("GetCompanyClassValue", company);
    return s_.class_values[company];
  }
  int32_t GetAccountPanel(int32_t& account, int32_t& panel_type_rev) override {
    Call("GetAccountPanel", account);
    panel_type_rev = s_.accounts[account].second;
    return s_.accounts[account].first;
  }
  int32_t GetRevisionCompany(int32_t& panel_type_rev, int32_t& panel_name) override {
    Call("GetRevisionCompany", panel_type_rev);
    panel_name = s_.revisions[panel_type_rev].second;
    return s_.revisions[panel_type_rev].first;
  }
  int32_t GetMappedCompany(int32_t& company) override {
    Call("GetMappedCompany", company);
    return s_.mapped[company];
  }
  int16_t GetPanelNameFlag(int32_t& panel_name) override {
    Call("GetPanelNameFlag", panel_name);
    return s_.flags[panel_name];
  }
  std::string GetProtocolSection(int32_t protocol, std::string& scratch) override {
    Call("GetProtocolSection", protocol);
    scratch = "scratch";
    auto it = s_.sections.find(protocol);
    if (it == s_.sections.end()) Raise(-2147467259, "FakeConfig", "no such protocol");
    return it->second;
  }

 private:
  void Call(const char* member, const std::string& argument) {
    s_.calls.push_back(std::string(member) + "(" + argument + ")");
    if (s_.fail_on && s_.calls.back().rfind(*s_.fail_on, 0) == 0)
      Raise(-2147467259, "FakeConfig", "call failed");
  }
  void Call(const char* member, int32_t argument) { Call(member, std::to_string(argument)); }
  ConfigScript& s_;
};

// Every configuration component the Env creates plays this script.
inline void UseConfig(FakeEnv& env, ConfigScript& script) {
  env.config_factory = [&script] { return std::make_unique<FakeConfig>(script); };
}

}  // namespace kt::test
