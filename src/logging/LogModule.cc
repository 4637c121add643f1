#include "logging/LogModule.h"

#include <memory>

#include "frame/handler.h"

namespace kt {
namespace {

// One logger reference per thread: created on first use, dropped after a
// failed call so that the next call starts with a fresh component.
thread_local std::unique_ptr<Logger> m_objLogger;

Logger* EnsureLogger(Env& env) {
  if (!m_objLogger) m_objLogger = env.CreateLogger();
  return m_objLogger.get();
}

}  // namespace

void WriteLog(Env& env, const int32_t& lLogLevel, const std::string& strSource,
              const std::string& strMessage) {
  OnErrorLeave(
      [&] {
        if (Logger* logger = EnsureLogger(env)) logger->LogEntry(lLogLevel, strSource, strMessage);
      },
      [] { m_objLogger.reset(); });
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
    m_objLogger.reset();
  }
  Err() = saved;
}

bool ThreadHasLogger() {
  return m_objLogger != nullptr;
}
void DropThreadLogger() {
  m_objLogger.reset();
}

}  // namespace kt
