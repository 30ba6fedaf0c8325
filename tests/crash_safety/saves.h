// The four saves of user data, each between two complete contents of its own ("klein" and
// "gross", of clearly different sizes), for the tests that interrupt or break them.
#pragma once

#include <memory>
#include <string>
#include <vector>

class UserSave {
 public:
  virtual ~UserSave() = default;
  // "appointments", "note", "wallpaper", "settings".
  virtual const char* name() const = 0;
  // Sets the save up in an empty folder. With `existing`, the target then holds content(0);
  // without, it does not exist yet (a note is a new one then). False when that went wrong.
  virtual bool prepare(const std::string& folder, bool existing) = 0;
  // Saves content(which) over the target as the program does; the save's own result.
  virtual int save(int which) = 0;
  // The bytes the target holds after a complete save of content `which` (0 small, 1 large).
  virtual const std::string& content(int which) const = 0;
  virtual std::string target() const = 0;

  // The failure messages a save showed since prepare() (note only), "text|caption" each.
  std::vector<std::string> messages;
};

std::vector<std::unique_ptr<UserSave>> makeUserSaves();

// Bytes to a file with plain POSIX calls, beside the seam under test.
bool putFile(const std::string& path, const std::string& bytes);
// 1 and the bytes, or 0 when the file is missing or unreadable.
int getFile(const std::string& path, std::string& bytes);
// The names in a folder, sorted.
std::vector<std::string> folderEntries(const std::string& folder);
