// Profile (INI) files with the rules of the Windows profile functions, so
// that files shared with Windows programs read and write the same way.
// On Windows both are the system's own functions (platform/win/profile_file.cc),
// whose rules these follow; what differs there: sizes count UTF-16 units,
// files without a byte order mark hold ANSI code page text, and a write is
// the system's (no lock file, no temporary file).
#pragma once

#include <cstddef>
#include <string>

// <windows.h>, where a file includes it first, maps these names to its A or
// W functions; here they name ours.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

namespace kt::profile {

// GetPrivateProfileString for one key: copies the value (or, when the key is
// missing, the default with its trailing blanks and then a pair of quotes
// around it dropped) into buffer, cut to size - 1 characters, and returns the
// number of characters copied.  Text is UTF-8 and a character is a whole
// UTF-8 sequence (a byte that starts none counts alone), so the count can be
// less than buffer.size().  Section and key are matched without surrounding
// blanks and ignoring ASCII case; section "" holds the keys before the first
// header.  A file that is not a regular file (a FIFO, a device), or is
// larger than 16 MiB, reads as missing.
size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& default_value, std::string& buffer, size_t size,
                               const std::string& file);

// WritePrivateProfileString for one key: creates the file and the section
// when missing, replaces the key's value or appends the key to its section
// (section "" at the top of the file, without a header), and keeps the rest
// of the file as it was.  The write is atomic (temporary file + rename
// under an advisory lock on "<file>.lock") and the new file keeps the old
// one's mode and group.  Returns false, with the file as it was, when it
// cannot be written or is not a regular file of at most 16 MiB.
bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& file);

}  // namespace kt::profile
