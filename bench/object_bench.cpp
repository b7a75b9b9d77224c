// The object list at a size no operator reaches by hand: 100,000 objects added, written to an
// object coordinate file and read back (target: under 0.5 s each way), and the nearest object
// to a map click found among them (target: under 5 ms).
// usage: qv_object_bench [objects]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/KeywordFiles.h"
#include "specimen/ObjectList.h"

namespace {

class SilentNotifier final : public qv::Notifier {
 public:
  qv::MsgResult MessageBox(const std::string& text, qv::MsgIcon, const std::string&,
                           qv::MsgButtons) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    return qv::MsgResult::Ok;
  }
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
  const auto path = std::filesystem::temp_directory_path() / "qv-object-bench.TXT";
  SilentNotifier notifier;
  qv::KeywordFiles keywordFiles(notifier);
  qv::ObjectList list;

  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    // A 400 x 250 raster of places 25.3 microns apart, as a dense scan would mark them.
    const int column = i % 400, row = i / 400;
    list.ObjAdd(column * 25.3 - 5000, row * 25.3 - 3000, 12.345 + i % 7, "cell");
  }
  const double added = SecondsSince(start);

  start = std::chrono::steady_clock::now();
  const int32_t written = list.ObjListWrite(keywordFiles, path.string());
  const double write = SecondsSince(start);

  qv::ObjectList back;
  start = std::chrono::steady_clock::now();
  const int32_t read = back.ObjListRead(keywordFiles, path.string());
  const double readSeconds = SecondsSince(start);

  constexpr int kQueries = 200;
  double sink = 0;
  start = std::chrono::steady_clock::now();
  for (int q = 0; q < kQueries; ++q) {
    double d2 = 0;
    sink += back.ObjFindNearest(q * 37.0 - 4000, q * 11.0 - 2000, d2) + d2;
  }
  const double nearest = SecondsSince(start) / kQueries;
  std::filesystem::remove(path);

  std::printf("objects            %d (written %d, read %d, file %s)\n", count, written, read,
              written == read ? "consistent" : "INCONSISTENT");
  std::printf("add                %8.1f ms\n", added * 1e3);
  std::printf("write              %8.1f ms  (target < 500)\n", write * 1e3);
  std::printf("read               %8.1f ms  (target < 500)\n", readSeconds * 1e3);
  std::printf("nearest, per click %8.3f ms  (target < 5)   [%g]\n", nearest * 1e3, sink);
  return written == count && read == count && write < 0.5 && readSeconds < 0.5 && nearest < 0.005
             ? 0
             : 1;
}
