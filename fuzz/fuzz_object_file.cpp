// Feeds arbitrary bytes to the object-file reader as the content of an object coordinate file:
// reading must not crash, every item must become one object, and a list written and read back
// must write the same lines again (the first write may drop what the format cannot hold).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/KeywordFiles.h"
#include "specimen/ObjectList.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

// What the plain list writer puts into the file, read back by the plain list reader.
qv::PlainList ThroughFile(const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines)
    content += line + "\r\n";
  return qv::ParseListText(content);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  const qv::PlainList items = qv::ParseListText(content);

  qv::ObjectList list;
  list.ObjListFromLines(items);
  Check(static_cast<std::size_t>(list.ObjListCount()) == items.size());

  const std::vector<std::string> first = list.ObjListToLines();
  qv::ObjectList back;
  back.ObjListFromLines(ThroughFile(first));
  Check(back.ObjListCount() == list.ObjListCount());
  Check(back.ObjListToLines() == first);

  double distanceSquared = 0;
  const int32_t nearest = back.ObjFindNearest(0, 0, distanceSquared);
  Check(items.empty() ? nearest == -1 : nearest >= 1 && nearest <= back.ObjListCount());
  return 0;
}
