#include "init.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/paths.h"
#include "db/create.h"
#include "db/target.h"

namespace kt::host {

namespace fs = std::filesystem;

nlohmann::ordered_json InitStorage(const std::string& module_dir, const Options& options, bool demo) {
  const fs::path storage = base::PathFromUtf8(module_dir).parent_path() / "Storage";
  fs::create_directories(storage);
  const fs::path ini = storage / "Vizaride32.ini";
  bool created = false;
  if (!fs::exists(ini)) {
    std::ofstream out(ini, std::ios::binary);
    out << kExampleIni;
    if (!out) throw std::runtime_error("cannot write " + base::Utf8FromPath(ini));
    created = true;
  }
  const char* site = std::getenv("KELTRANE_DB");
  const std::string target = !options.db.empty()                ? options.db
                             : site != nullptr && *site != '\0' ? std::string(site)
                                                                : base::Utf8FromPath(storage / "Suite.db");
  const std::string error = suite::CreateSuiteDatabase(target, demo);
  if (!error.empty()) throw std::runtime_error(error);
  return {{"storage", base::Utf8FromPath(storage)},
          {"ini", base::Utf8FromPath(ini)},
          {"ini_created", created},
          {"db", suite::DisplayName(suite::ParseTarget(target))},
          {"demo", demo}};
}

}  // namespace kt::host
