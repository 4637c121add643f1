// Where the components find the database and the log file: the host settings
// "db" and "log" when set, else (the database) $KELTRANE_DB, else the Storage
// folder beside the folder of the library that creates the component (the
// host setting "module-dir" stands for that folder).
#pragma once

#include <functional>
#include <string>

namespace kt::suite {

// The Storage folder beside the folder of the library whose CoCreateInstance
// is creating a component now, else beside this library's own folder.  A
// component asks once, while it is created.
std::string StorageFolder();

// The connection string ("sqlite:PATH", a bare path or a postgresql:// URI)
// in the host setting "db", else in the environment variable KELTRANE_DB,
// else <storage>/Suite.db.
std::string DatabaseTarget(const std::string& storage = StorageFolder());
// A component's way to its database: the settings are read again on every
// attempt to connect, the default folder is the creator's.
std::function<std::string()> DatabaseLocator();
// A component's report of its database failures: a line in the log of the
// creator's Storage folder (LogDiagnostic), source "KeltraneSuite.<component>".
std::function<void(const std::string&)> FailureLog(std::string component);
// The host setting "log", else <storage>/Keltrane.log.
std::string LogPath(const std::string& storage = StorageFolder());
// Log rotation: the host settings "log-max-bytes" (default 10 MiB; 0 turns
// rotation off) and "log-keep" (rotated files kept, default 5).
long long LogMaxBytes();
int LogKeep();

}  // namespace kt::suite
