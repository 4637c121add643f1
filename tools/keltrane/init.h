// `keltrane init`: lays out the Storage folder beside the library's folder.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "host.h"

namespace kt::host {

// The Vizaride32.ini that init lays out (share/Vizaride32.ini).
extern const char* const kExampleIni;

// Creates Storage/Vizaride32.ini (kept when it exists) and reports the paths.
nlohmann::ordered_json InitStorage(const std::string& module_dir, const Options& options, bool demo);

}  // namespace kt::host
