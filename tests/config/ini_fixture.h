// clsINIData over a temporary suite tree (<tree>/Bin is the library folder, so
// the INI file is <tree>/Storage/Vizaride32.ini and download.ini is in <tree>/Win),
// the shared fake Env and a scripted configuration component.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/clsINIData.h"
#include "support/fake_config.h"
#include "support/fake_env.h"
#include "support/host_runner.h"

namespace kt::test {

class IniFixture : public ::testing::Test {
 protected:
  IniFixture() {
    env_.module_dir = (tree_.root / "Bin").string();
    env_.windows_dir = (tree_.root / "Win").string();
    UseConfig(env_, config_);
  }
  clsINIData& Ini() {
    if (!ini_) ini_ = std::make_unique<clsINIData>(env_);
    return *ini_;
  }
  // A fresh object over an INI file holding `text`.
  clsINIData& Ini(const std::string& text) {
    tree_.WriteIni(text);
    ini_ = std::make_unique<clsINIData>(env_);
    return *ini_;
  }
  std::string Stored(const std::string& section, const std::string& key) const {
    return TempTree::Read(tree_.Ini(), section, key);
  }
  std::string Download(const std::string& section, const std::string& key) const {
    return TempTree::Read(tree_.DownloadIni(), section, key);
  }
  // The first box as "text|title|style".
  std::string Box() const {
    if (env_.boxes.empty()) return "<no box>";
    return env_.boxes[0].text + "|" + env_.boxes[0].title + "|" + std::to_string(env_.boxes[0].style);
  }

  TempTree tree_;
  ConfigScript config_;
  FakeEnv env_;
  std::unique_ptr<clsINIData> ini_;
};

}  // namespace kt::test
