#include "frame/error.h"

#include <new>

namespace kt {

std::string_view StandardDescription(int32_t number) {
  switch (number) {
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 10:
      return "This array is fixed or temporarily locked";
    case 11:
      return "Division by zero";
    case 13:
      return "Type mismatch";
    case 51:
      return "Internal error";
    case 91:
      return "Object variable or With block variable not set";
    case 94:
      return "Invalid use of Null";
    case 429:
      return "ActiveX component can't create object";
    case 438:
      return "Object doesn't support this property or method";
    default:
      return "Application-defined or object-defined error";
  }
}

ErrRecord& Err() {
  thread_local ErrRecord record;
  return record;
}

void Raise(int32_t number, std::string source, std::string description) {
  ErrRecord record;
  record.number = number;
  record.source = std::move(source);
  record.description = std::move(description);
  Raise(record);
}

void Raise(const ErrRecord& record) {
  ErrRecord filled = record;
  if (filled.description.empty()) filled.description = std::string(StandardDescription(filled.number));
  Err() = filled;
  throw VbError(std::move(filled));
}

namespace {

ErrRecord Standard(int32_t number, std::string description = {}) {
  ErrRecord record;
  record.number = number;
  record.description =
      description.empty() ? std::string(StandardDescription(number)) : std::move(description);
  return record;
}

}  // namespace

void CaptureCurrentException() {
  std::exception_ptr current = std::current_exception();
  if (!current) {
    // Called outside a handler: nothing to capture, but the caller expects
    // an error, so record an internal one rather than terminate.
    Err() = Standard(vberr::kInternal);
    return;
  }
  try {
    std::rethrow_exception(current);
  } catch (const VbError& e) {
    Err() = e.record();
  } catch (const std::bad_alloc&) {
    Err() = Standard(vberr::kOutOfMemory);
  } catch (const std::exception& e) {
    Err() = Standard(vberr::kInternal, e.what() ? e.what() : "");
  } catch (...) {
    Err() = Standard(vberr::kInternal);
  }
}

}  // namespace kt
