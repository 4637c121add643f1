// The error convention of the class logic: one current error record per
// thread, raised errors as C++ exceptions, and the standard run-time numbers.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace kt {

// Run-time error numbers that the library raises or meets.
namespace vberr {
inline constexpr int32_t kInvalidCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kSubscript = 9;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kInternal = 51;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kInvalidNull = 94;
inline constexpr int32_t kCantCreate = 429;
inline constexpr int32_t kNoSuchMember = 438;
}  // namespace vberr

// The text the run time gives a standard error number ("Overflow" for 6);
// "Application-defined or object-defined error" for numbers it does not know.
std::string_view StandardDescription(int32_t number);

struct ErrRecord {
  int32_t number = 0;
  std::string source;
  std::string description;
  std::string help_file;
  int32_t help_context = 0;

  void Clear() { *this = ErrRecord{}; }
  bool operator==(const ErrRecord&) const = default;
};

// The calling thread's current error record.
ErrRecord& Err();

// Thrown by Raise; carries a copy of the record it filled.
class VbError : public std::exception {
 public:
  explicit VbError(ErrRecord record) : record_(std::move(record)) {}
  const ErrRecord& record() const { return record_; }
  int32_t number() const { return record_.number; }
  const char* what() const noexcept override { return record_.description.c_str(); }

 private:
  ErrRecord record_;
};

// Fills the current error record and throws.  An empty description takes the
// standard text of the number.
[[noreturn]] void Raise(int32_t number, std::string source = {}, std::string description = {});
[[noreturn]] void Raise(const ErrRecord& record);

// Turns whatever is being handled (a VbError or any other exception) into the
// current error record; used by the handlers.
void CaptureCurrentException();

}  // namespace kt
