// An Env of fakes for the class logic: scripted recordsets per statement,
// recorded statements, log lines and message boxes, and switches that make a
// component's creation or its calls fail.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/vbtext.h"
#include "components/env.h"
#include "frame/error.h"
#include "logging/LogModule.h"
#include "profile/profile_file.h"

namespace kt::test {

using Row = std::vector<std::pair<std::string, Variant>>;
using Rows = std::vector<Row>;

// Closes made and recordsets destroyed while still open, over a FakeEnv's recordsets.
struct RecordsetTally {
  int closes = 0, left_open = 0;
};

class FakeRecordset : public Recordset {
 public:
  explicit FakeRecordset(Rows rows, int32_t reported_count = -2, std::shared_ptr<RecordsetTally> tally = {})
      : rows_(std::move(rows)), reported_(reported_count), tally_(std::move(tally)) {}
  ~FakeRecordset() override {
    if (tally_) {
      tally_->closes += closes;
      tally_->left_open += open_ ? 1 : 0;
    }
  }
  int32_t State() override { return open_ ? 1 : 0; }
  void Close() override {
    if (!open_) Raise(3704, "ADODB.Recordset", "Operation is not allowed when the object is closed.");
    open_ = false;
    ++closes;
  }
  int32_t RecordCount() override {
    return reported_ != -2 ? reported_ : static_cast<int32_t>(Visible().size());
  }
  void MoveFirst() override { pos_ = 0; }
  void MoveNext() override {
    if (pos_ >= Visible().size()) Raise(3021, "ADODB.Recordset", "Either BOF or EOF is True.");
    ++pos_;
  }
  bool Eof() override { return pos_ >= Visible().size(); }
  Variant Field(const std::string& name) override {
    const auto visible = Visible();
    if (pos_ >= visible.size()) Raise(3021, "ADODB.Recordset", "Either BOF or EOF is True.");
    for (const auto& [column, value] : *visible[pos_])
      if (base::EqualsNoCase(column, name)) return value;
    Raise(3265, "ADODB.Recordset",
          "Item cannot be found in the collection corresponding to the requested name.");
  }
  void SetFilter(const std::string& filter) override {
    filter_ = filter;
    pos_ = 0;
  }
  int closes = 0;

 private:
  std::vector<const Row*> Visible() const {
    std::vector<const Row*> out;
    const size_t eq = filter_.find('=');
    for (const Row& r : rows_) {
      if (eq == std::string::npos) {
        out.push_back(&r);
        continue;
      }
      std::string column = filter_.substr(0, eq);
      while (!column.empty() && column.back() == ' ') column.pop_back();
      const std::string wanted = filter_.substr(eq + 1);
      for (const auto& [c, v] : r)
        if (base::EqualsNoCase(c, column) && v.type() == Variant::Type::kI4 && v.AsI4() == std::stoi(wanted))
          out.push_back(&r);
    }
    return out;
  }
  Rows rows_;
  int32_t reported_;
  size_t pos_ = 0;
  bool open_ = true;
  std::string filter_;
  std::shared_ptr<RecordsetTally> tally_;
};

struct LogLine {
  int32_t level;
  std::string source;
  std::string message;
  std::optional<int32_t> error_number;
  bool operator==(const LogLine&) const = default;
};

class FakeEnv : public Env {
 public:
  // The thread's logger may belong to this Env; it must not outlive it.
  ~FakeEnv() override { DropThreadLogger(); }

  // Rows answered for a statement; a statement without an entry gets an empty recordset.
  std::map<std::string, Rows> results;
  // Statements that make OpenRecordset fail with this status.
  std::map<std::string, int32_t> failing;
  // Statements answered with no recordset at all.
  std::vector<std::string> no_recordset;
  std::vector<std::string> statements;  // every statement, in order
  int32_t reported_count = -2;          // RecordCount of opened recordsets; -2: the rows'
  std::shared_ptr<RecordsetTally> tally = std::make_shared<RecordsetTally>();
  std::vector<LogLine> log;
  struct Box {
    std::string text, title;
    unsigned style;
  };
  std::vector<Box> boxes;
  std::vector<int> answers;  // scripted answers, front first; OK/No when empty

  bool fail_fixed = false, fail_download = false, fail_config = false, fail_settings = false,
       fail_company_list = false, fail_logger = false;
  int logger_created = 0;
  int fail_next_log_calls = 0;  // that many logging calls fail

  std::map<std::string, std::string> settings;  // "section/key" -> value
  std::optional<std::string> company_list = std::string("1,2,5");
  std::function<std::unique_ptr<ConfigServices>()> config_factory;
  std::string module_dir = "/opt/suite/Bin";
  std::string windows_dir = "/tmp";
  std::function<std::string()> installed_path = [] { return std::string("/opt/suite"); };

  static constexpr int32_t kCreationFailure = static_cast<int32_t>(0x80040154);

  [[noreturn]] static void FailCreate(const char* what) {
    Raise(kCreationFailure, "KeltraneRT", std::string("Class not registered: ") + what);
  }

  RecordsetPtr Open(const std::string& statement) {
    statements.push_back(statement);
    if (auto f = failing.find(statement); f != failing.end()) Raise(f->second, "FakeDb", "statement failed");
    for (const auto& s : no_recordset)
      if (s == statement) return nullptr;
    auto it = results.find(statement);
    return std::make_unique<FakeRecordset>(it == results.end() ? Rows{} : it->second, reported_count, tally);
  }

  struct App : FixedApplication, DownloadApplication {
    explicit App(FakeEnv& e) : env(e) {}
    RecordsetPtr OpenRecordset(const std::string& statement, RecordsetPtr) override {
      return env.Open(statement);
    }
    void ExecuteStatement(const std::string& statement) override {
      env.statements.push_back(statement);
      if (auto f = env.failing.find(statement); f != env.failing.end()) Raise(f->second, "FakeDb", "failed");
    }
    FakeEnv& env;
  };
  struct FixedOnly : FixedApplication {
    explicit FixedOnly(FakeEnv& e) : app(e) {}
    RecordsetPtr OpenRecordset(const std::string& s, RecordsetPtr r) override {
      return app.OpenRecordset(s, std::move(r));
    }
    App app;
  };
  struct DownloadOnly : DownloadApplication {
    explicit DownloadOnly(FakeEnv& e) : app(e) {}
    RecordsetPtr OpenRecordset(const std::string& s, RecordsetPtr r) override {
      return app.OpenRecordset(s, std::move(r));
    }
    void ExecuteStatement(const std::string& s) override { app.ExecuteStatement(s); }
    App app;
  };
  struct FakeSettings : Settings {
    explicit FakeSettings(FakeEnv& e) : env(e) {}
    std::string ReadSetting(const std::string& s, const std::string& k, const std::string& d) override {
      auto it = env.settings.find(s + "/" + k);
      return it == env.settings.end() ? d : it->second;
    }
    FakeEnv& env;
  };
  struct FakeCompanyList : CompanyList {
    explicit FakeCompanyList(FakeEnv& e) : env(e) {}
    std::string GetCompanyList() override {
      if (!env.company_list) Raise(-2147467259, "FakeCompanyList", "list unavailable");
      return *env.company_list;
    }
    bool IsCompanyInList(int16_t& company, std::string& list) override {
      std::string item;
      for (size_t i = 0; i <= list.size(); ++i) {
        if (i == list.size() || list[i] == ',') {
          if (!item.empty() && item == std::to_string(company)) return true;
          item.clear();
        } else if (list[i] != ' ') {
          item += list[i];
        }
      }
      return false;
    }
    FakeEnv& env;
  };
  struct FakeLogger : Logger {
    explicit FakeLogger(FakeEnv& e) : env(e) {}
    void Fail() {
      if (env.fail_next_log_calls > 0) {
        --env.fail_next_log_calls;
        Raise(-2147467259, "FakeLogger", "log call failed");
      }
    }
    void LogEntry(int32_t level, const std::string& source, const std::string& message) override {
      Fail();
      env.log.push_back({level, source, message, std::nullopt});
    }
    void LogErrorEntry(int32_t level, const std::string& source, const std::string& message,
                       int32_t number) override {
      Fail();
      env.log.push_back({level, source, message, number});
    }
    FakeEnv& env;
  };

  std::unique_ptr<FixedApplication> CreateFixedApplication() override {
    if (fail_fixed) FailCreate("fixed application");
    return std::make_unique<FixedOnly>(*this);
  }
  std::unique_ptr<DownloadApplication> CreateDownloadApplication() override {
    if (fail_download) FailCreate("download application");
    return std::make_unique<DownloadOnly>(*this);
  }
  std::unique_ptr<ConfigServices> CreateConfigServices() override {
    if (fail_config) FailCreate("configuration services");
    if (config_factory) return config_factory();
    FailCreate("configuration services (no fake given)");
  }
  std::unique_ptr<Settings> CreateSettings() override {
    if (fail_settings) FailCreate("settings");
    return std::make_unique<FakeSettings>(*this);
  }
  std::unique_ptr<CompanyList> CreateCompanyList() override {
    if (fail_company_list) FailCreate("company list");
    return std::make_unique<FakeCompanyList>(*this);
  }
  std::unique_ptr<Logger> CreateLogger() override {
    if (fail_logger) FailCreate("logger");
    ++logger_created;
    return std::make_unique<FakeLogger>(*this);
  }
  RecordsetPtr CreateRecordset() override { return std::make_unique<FakeRecordset>(Rows{}); }
  int MessageBox(const std::string& text, const std::string& title, unsigned style) override {
    boxes.push_back({text, title, style});
    if (!answers.empty()) {
      int a = answers.front();
      answers.erase(answers.begin());
      return a;
    }
    return (style & 0xF) == mb::kYesNo ? mb::kAnswerNo : mb::kAnswerOk;
  }
  std::string ModuleDir() override { return module_dir; }
  std::string WindowsDir() override { return windows_dir; }
  // Profile files are real files (the platform's rules); reads and writes can be made to fail.
  bool fail_profile_reads = false, fail_profile_writes = false;
  std::vector<std::string> profile_reads;   // "section/key", in order
  std::vector<std::string> profile_writes;  // "file|section|key=value", in order
  size_t GetProfileString(const std::string& section, const std::string& key, const std::string& d,
                          std::string& buffer, size_t size, const std::string& file) override {
    profile_reads.push_back(section + "/" + key);
    if (fail_profile_reads) Raise(vberr::kInvalidCall, "FakeEnv", "read failed");
    return profile::GetPrivateProfileString(section, key, d, buffer, size, file);
  }
  bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                          const std::string& file) override {
    profile_writes.push_back(file + "|" + section + "|" + key + "=" + value);
    if (fail_profile_writes) return false;
    return profile::WritePrivateProfileString(section, key, value, file);
  }
  std::string InstalledPath() override { return installed_path(); }
};

}  // namespace kt::test
