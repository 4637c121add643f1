// A temporary suite tree per test, and runs of the keltrane host over it
// (bin/keltrane: the tests run from the build folder).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "profile/profile_file.h"
#include "support/temp_folder.h"
#include "support/test_database.h"

namespace kt::test {

struct HostRun {
  int status = -1;  // exit status
  std::string out, err;
  nlohmann::json Json() const { return nlohmann::json::parse(out, nullptr, false); }
  std::vector<nlohmann::json> Lines() const {  // batch output: one JSON value per line
    std::vector<nlohmann::json> lines;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
  }
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// A fresh folder holding Bin, Storage and Win; removed afterwards.
class TempTree {
 public:
  TempTree() {
    for (const char* dir : {"Bin", "Storage", "Win"}) std::filesystem::create_directories(root / dir);
  }
  std::filesystem::path Ini() const { return root / "Storage" / "Vizaride32.ini"; }
  std::filesystem::path DownloadIni() const { return root / "Win" / "download.ini"; }
  // The tree's database: Suite.db in it, or its own PostgreSQL schema.
  const std::string& Db() const {
    if (db_.empty()) db_ = NewTestDatabase((root / "Suite.db").string());
    return db_;
  }
  void WriteIni(const std::string& text) const { std::ofstream(Ini(), std::ios::binary) << text; }
  // A key's value in a profile file; "<none>" when it is missing.
  static std::string Read(const std::filesystem::path& file, const std::string& section,
                          const std::string& key) {
    std::string buffer;
    profile::GetPrivateProfileString(section, key, "<none>", buffer, 4096, file.string());
    return buffer;
  }

  // bin/keltrane over this tree (its Bin, Win, Suite.db and registry) with `args`, `input` on stdin.
  HostRun Host(const std::vector<std::string>& args, const std::string& input = "",
               const std::filesystem::path& module_dir = {}) const {
    // Own stdin and stderr files per run, so that runs may overlap.
    static std::atomic<int> runs{0};
    const std::string n = std::to_string(++runs);
    const std::filesystem::path in = root / ("host-stdin-" + n), err = root / ("host-stderr-" + n);
    std::ofstream(in, std::ios::binary) << input;
    std::string cmd = "KELTRANE_REGISTRY=" + ShellQuote((root / "registry.json").string()) +
                      " bin/keltrane --module-dir " +
                      ShellQuote((module_dir.empty() ? root / "Bin" : module_dir).string()) +
                      " --windows-dir " + ShellQuote((root / "Win").string()) + " --db " + ShellQuote(Db());
    for (const std::string& a : args) cmd += " " + ShellQuote(a);
    cmd += " <" + ShellQuote(in.string()) + " 2>" + ShellQuote(err.string());
    HostRun run;
    FILE* pipe = popen(cmd.c_str(), "r");
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) run.out.append(buf, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::stringstream text;
    text << std::ifstream(err).rdbuf();
    run.err = text.str();
    return run;
  }

  // One batch run creating object "o" of `target`, then calling (member, args) on it: each call's output
  // line.
  std::vector<nlohmann::json> Batch(const std::string& target,
                                    const std::vector<std::pair<std::string, nlohmann::json>>& calls,
                                    std::vector<std::string> options = {},
                                    const std::filesystem::path& module_dir = {}) const {
    std::string input = nlohmann::json{{"new", "o"}, {"target", target}}.dump() + "\n";
    for (const auto& [member, args] : calls)
      input += nlohmann::json{{"call", "o"}, {"member", member}, {"args", args}}.dump() + "\n";
    options.push_back("batch");
    std::vector<nlohmann::json> lines = Host(options, input, module_dir).Lines();
    EXPECT_EQ(lines.size(), calls.size() + 1);
    lines.resize(calls.size() + 1);
    return {lines.begin() + 1, lines.end()};
  }

  TempFolder folder_;
  const std::filesystem::path& root = folder_.path;

 private:
  mutable std::string db_;
};

}  // namespace kt::test
