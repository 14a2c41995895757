// Reader for the store's INI files (Account.ini, Entry.ini), which AL-Mail writes in code page 932.
// Behaves like the Windows private-profile reader for what AL-Mail writes; values come out as UTF-8.
#pragma once

#include <cstddef>
#include <string>

namespace boxferry {

class IniFile {
 public:
  // Probes the file (directory + separator + file name, or the file name alone when the directory is
  // null or empty). Returns 1 when it can be opened for reading, else 0. The path is kept either way.
  int Open(const char* fileName, const char* directory);
  // Reads the value of `key` in `section` into `out` (UTF-8). The raw value is cut to capacity - 1 bytes
  // at a character boundary, then decoded. Missing file, section or key gives `defaultText` (or "").
  void ReadString(const char* section, const char* key, std::string& out, const char* defaultText,
                  std::size_t capacity) const;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int readable_ = 0;
};

}  // namespace boxferry
