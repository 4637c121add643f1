#include "logging/LogModule.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "frame/handler.h"

namespace kt {
namespace {

// One logger reference per thread and Env, so that each Env's lines reach
// its own logging component: created on first use, dropped after a failed
// call so that the next call starts with a fresh component.
struct ThreadLogger {
  const Env* env;
  std::unique_ptr<Logger> logger;
};
thread_local std::vector<ThreadLogger> m_objLoggers;

std::vector<ThreadLogger>::iterator Find(const Env& env) {
  return std::find_if(m_objLoggers.begin(), m_objLoggers.end(),
                      [&](const ThreadLogger& t) { return t.env == &env; });
}

Logger* EnsureLogger(Env& env) {
  if (auto it = Find(env); it != m_objLoggers.end()) return it->logger.get();
  std::unique_ptr<Logger> created = env.CreateLogger();
  if (created == nullptr) return nullptr;
  m_objLoggers.push_back({&env, std::move(created)});
  return m_objLoggers.back().logger.get();
}

void DropLogger(const Env& env) {
  auto it = Find(env);
  if (it == m_objLoggers.end()) return;
  // Released once out of the list, so that the release sees the list whole.
  std::unique_ptr<Logger> gone = std::move(it->logger);
  m_objLoggers.erase(it);
}

}  // namespace

void WriteLog(Env& env, const int32_t& lLogLevel, const std::string& strSource,
              const std::string& strMessage) {
  OnErrorLeave(
      [&] {
        if (Logger* logger = EnsureLogger(env)) logger->LogEntry(lLogLevel, strSource, strMessage);
      },
      [&] { DropLogger(env); });
}

void WriteErrorLog(Env& env, const int32_t& lLogLevel, const std::string& strSource,
                   const std::string& strMessage, const int32_t& lErrorNumber) {
  // The caller is usually an error handler that goes on reading its error;
  // it often passes the record's own fields, so they are copied first.
  const ErrRecord saved = Err();
  const std::string source = strSource, message = strMessage;
  const int32_t level = lLogLevel, number = lErrorNumber;
  Err().Clear();
  try {
    if (Logger* logger = EnsureLogger(env)) logger->LogErrorEntry(level, source, message, number);
  } catch (...) {
    DropLogger(env);
  }
  Err() = saved;
}

bool ThreadHasLogger() {
  return !m_objLoggers.empty();
}
void DropThreadLogger() {
  std::vector<ThreadLogger> gone = std::move(m_objLoggers);
  m_objLoggers.clear();
}

}  // namespace kt
