// Where the components find the database and the log file: the host settings
// "db" and "log" when set, else (the database) $KELTRANE_DB, else the Storage
// folder beside the folder of libKeltraneSuite.so (itself replaced by the
// host setting "module-dir").
#pragma once

#include <string>

namespace kt::suite {

// The connection string ("sqlite:PATH", a bare path or a postgresql:// URI)
// in the host setting "db", else in the environment variable KELTRANE_DB,
// else <module dir>/../Storage/Suite.db.
std::string DatabaseTarget();
// The host setting "log", else <module dir>/../Storage/Keltrane.log.
std::string LogPath();
// Log rotation: the host settings "log-max-bytes" (default 10 MiB; 0 turns
// rotation off) and "log-keep" (rotated files kept, default 5).
long long LogMaxBytes();
int LogKeep();

}  // namespace kt::suite
