// `keltrane init`: lays out the Storage folder beside the library's folder.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "host.h"

namespace kt::host {

// Creates Storage/Vizaride32.ini (kept when it exists) and reports the paths.
nlohmann::ordered_json InitStorage(const std::string& module_dir, const Options& options, bool demo);

}  // namespace kt::host
