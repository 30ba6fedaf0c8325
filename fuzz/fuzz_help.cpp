// The help tables: topic numbers, control ids and program folders of any length through the
// topic and popup lookups and the path builders. A path that does not fit is refused whole.
//
// Input: 4 bytes topic number, 4 bytes control id, 2 bytes output size (LE, up to 1023), the
// rest is the program folder (its first zero byte ends it, as the program passes it).
#include <cstring>
#include <string>

#include "app/help_tables.h"
#include "fuzz/fuzz_checks.h"

namespace {

using fuzzing::fail;

int32_t le32(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24));
}

bool knownTopic(int topic) {
  for (size_t i = 0; i < kHelpTopicCount; ++i)
    if (kHelpTopics[i].topic == topic) return true;
  return false;
}

// A builder's result: whole (folder then tail, terminated inside size) or refused.
void checkBuilt(int ok, const char* out, size_t size, const std::string& folder, const char* tail,
                const char* what) {
  std::string whole = folder + tail;
  if (!std::memchr(out, 0, size)) fail(what);
  if (ok) {
    if (whole.size() + 1 > size || whole != out) fail(what);
  } else if (whole.size() + 1 <= size) {
    fail("a path that fits was refused");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  int topic = le32(data);
  int control = le32(data + 4);
  size_t outSize = (data[8] | (data[9] << 8)) % 1024;
  std::string folder(reinterpret_cast<const char*>(data + 10), size - 10);
  folder.resize(std::strlen(folder.c_str()));

  const char* target = helpTopicString(topic);
  if (!target || std::strncmp(target, "zuvi.chm::html/", 15) != 0 ||
      std::strcmp(target + std::strlen(target) - 5, ">main") != 0)
    fail("a topic string of another form");
  if (!knownTopic(topic) && std::strcmp(target, helpTopicString(kHelpIndex)) != 0)
    fail("an unknown topic does not open the index");

  DWORD popup = helpPopupFor(control);
  if (popup != 0) {
    bool listed = false;
    for (const DWORD* p = kContextHelpTable; p[0] || p[1]; p += 2) listed |= p[0] == DWORD(control) && p[1] == popup;
    if (!listed || control <= 0) fail("a popup id that the table does not give that control");
  }

  // Writes beyond the size the builders were given show up as changed guard bytes.
  std::string out(outSize + 64, '\x7f');
  if (outSize > 0) {
    int ok = buildHelpTopicPath(&out[0], outSize, folder.c_str(), topic);
    checkBuilt(ok, out.data(), outSize, folder, target, "help topic path");
    for (size_t k = outSize; k < out.size(); ++k)
      if (out[k] != '\x7f') fail("help topic path written beyond its buffer");
    out.assign(outSize + 64, '\x7f');
    ok = buildHelpPopupPath(&out[0], outSize, folder.c_str());
    checkBuilt(ok, out.data(), outSize, folder, kHelpPopupFile, "help popup path");
    for (size_t k = outSize; k < out.size(); ++k)
      if (out[k] != '\x7f') fail("help popup path written beyond its buffer");
  }
  char none[1] = {'\x7f'};
  if (buildHelpTopicPath(none, 0, folder.c_str(), topic) != 0 || none[0] != '\x7f')
    fail("a builder without room wrote or succeeded");
  if (buildHelpPopupPath(nullptr, 16, folder.c_str()) != 0) fail("a builder without a buffer succeeded");
  return 0;
}
