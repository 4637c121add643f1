#include "init.h"

#include <filesystem>
#include <fstream>

#include "db/create.h"

namespace kt::host {

namespace fs = std::filesystem;

nlohmann::ordered_json InitStorage(const std::string& module_dir, const Options& options, bool demo) {
  const fs::path storage = fs::path(module_dir).parent_path() / "Storage";
  fs::create_directories(storage);
  const fs::path ini = storage / "Vizaride32.ini";
  bool created = false;
  if (!fs::exists(ini)) {
    std::ofstream out(ini);
    out << kExampleIni;
    if (!out) throw std::runtime_error("cannot write " + ini.string());
    created = true;
  }
  std::string db = options.db.empty() ? (storage / "Suite.db").string() : options.db;
  if (db.starts_with("sqlite:")) db = db.substr(7);
  const std::string error = suite::CreateSuiteDatabase(db, demo);
  if (!error.empty()) throw std::runtime_error(error);
  return {{"storage", storage.string()},
          {"ini", ini.string()},
          {"ini_created", created},
          {"db", db},
          {"demo", demo}};
}

}  // namespace kt::host
