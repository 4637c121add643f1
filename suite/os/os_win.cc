// The suite's operating-system needs on Windows (see os.h).  Paths arrive
// as UTF-8 and go to the wide-character functions.  Files are opened with
// every share mode, FILE_SHARE_DELETE included, so another process may
// rotate or remove the log while we hold it open, as on Linux.
#include <windows.h>

#include "os/os.h"
#include "win/text.h"

namespace kt::suite::os {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE AsHandle(intptr_t h) {
  return reinterpret_cast<HANDLE>(h);
}

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out = n > 0 ? win::Utf8(std::wstring_view(text, n)) : "system error " + std::to_string(code);
  LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) out.pop_back();
  return out;
}

FileId IdOfHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION& info) {
  if (!GetFileInformationByHandle(h, &info)) return {};
  return {info.dwVolumeSerialNumber, (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// A file of ours (see AppendFile): a link is not followed but refused, and
// only a file on disk is taken.
HANDLE OpenOwn(const std::string& path, DWORD access, std::string& why, BY_HANDLE_FILE_INFORMATION& info) {
  const HANDLE h = CreateFileW(win::Wide(path).c_str(), access, kShareAll, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    why = SystemMessage(GetLastError());
    return h;
  }
  if (GetFileType(h) != FILE_TYPE_DISK || !IdOfHandle(h, info).Exists() ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    why = "it is not a regular file";
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    why = "it is a symbolic link";
  } else {
    return h;
  }
  CloseHandle(h);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

FileId IdOf(const std::string& path) {
  const HANDLE h = CreateFileW(win::Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info{};
  const FileId id = IdOfHandle(h, info);
  CloseHandle(h);
  return id;
}

bool AppendFile::Open(const std::string& path, std::string& why) {
  Close();
  BY_HANDLE_FILE_INFORMATION info{};
  // Append access alone: every write goes to the end of the file, whoever
  // else wrote since.
  const HANDLE h = OpenOwn(path, FILE_APPEND_DATA | SYNCHRONIZE, why, info);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<intptr_t>(h);
  id_ = {info.dwVolumeSerialNumber, (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  size_at_open_ = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}

bool AppendFile::Append(std::string_view text, std::string& why) {
  DWORD written = 0;
  if (!WriteFile(AsHandle(handle_), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    why = SystemMessage(GetLastError());
    return false;
  }
  if (written == text.size()) return true;
  why = "the line was written only in part";
  return false;
}

void AppendFile::Close() {
  if (handle_ != kClosed) CloseHandle(AsHandle(handle_));
  handle_ = kClosed;
}

long long AppendFile::Size() const {
  LARGE_INTEGER size{};
  return GetFileSizeEx(AsHandle(handle_), &size) ? size.QuadPart : -1;
}

bool WithLock(const std::string& lock_path, const std::function<void()>& work) {
  std::string why;
  BY_HANDLE_FILE_INFORMATION info{};
  const HANDLE h = OpenOwn(lock_path, GENERIC_WRITE, why, info);
  if (h == INVALID_HANDLE_VALUE) return false;
  OVERLAPPED whole{};
  const bool locked = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) != 0;
  if (locked) {
    work();
    UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &whole);
  }
  CloseHandle(h);
  return locked;
}

long long SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(win::Wide(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Rename(const std::string& from, const std::string& to) {
  return MoveFileExW(win::Wide(from).c_str(), win::Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Remove(const std::string& path) {
  return DeleteFileW(win::Wide(path).c_str()) != 0;
}

std::tm UtcNow(int& millis) {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  millis = now.wMilliseconds;
  std::tm parts{};
  parts.tm_year = now.wYear - 1900;
  parts.tm_mon = now.wMonth - 1;
  parts.tm_mday = now.wDay;
  parts.tm_hour = now.wHour;
  parts.tm_min = now.wMinute;
  parts.tm_sec = now.wSecond;
  parts.tm_wday = now.wDayOfWeek;
  return parts;
}

void AtForkInChild(void (*)()) {}

}  // namespace kt::suite::os
