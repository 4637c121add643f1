// Connections kept open per thread and shared by every component of that
// thread that names the same database.
//
// The library creates a component for almost every member call; opening the
// database each time would cost far more than the statement.  A thread keeps
// up to kPoolSize connections (least recently used dropped first); one whose
// server went away or whose file was replaced is reopened.  Keeping them per
// thread means no locking and never sharing a connection between threads.
#pragma once

#include <memory>
#include <string>

#include "db/connection.h"

namespace kt::suite {

constexpr size_t kPoolSize = 4;

// The thread's connection to `target` ("sqlite:PATH", a path or a
// postgresql:// URI), opened when needed; null with `error` set when it
// cannot be opened.
std::shared_ptr<Connection> Connect(const std::string& target, std::string& error);

}  // namespace kt::suite
