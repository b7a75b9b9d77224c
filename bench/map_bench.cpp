// Drawing 100,000 objects on a map picture of 1,000 x 1,000 pixels, as a long object list is
// redrawn at every zoom change (target: under 50 ms). Objects are spread evenly over the
// specimen from a fixed seed; the figure is the median of several full redraws.
// usage: qv_map_bench [objects] [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "foundation/KeywordFiles.h"
#include "specimen/MapView.h"
#include "specimen/PixelCanvas.h"

namespace {

constexpr double kTargetMs = 50;

}  // namespace

int main(int argc, char** argv) {
  const long objectCount = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;

  const qv::MapSpecimen specimen{0, 0, 76000, 26000};
  std::vector<qv::MapPoint> objects;
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> x(0, specimen.XE);
  std::uniform_real_distribution<double> y(0, specimen.YE);
  for (long n = 0; n < objectCount; ++n)
    objects.push_back({x(random), y(random)});

  qv::SilentNotifier notifier;
  qv::KeywordFiles keywordFiles(notifier);
  qv::MapView map(keywordFiles,
                  qv::MapSources{
                      .Specimen = [&] { return specimen; },
                      .ScanArea =
                          [] {
                            return qv::MapArea{1000, 1000, 20000, 10000};
                          },
                      .ObjectCount = [&] { return static_cast<int32_t>(objects.size()); },
                      .ObjectPosition = [&](int32_t n) { return objects[n - 1]; },
                      .FindNearest = {},
                      .AttractionDistance = {},
                  });
  qv::PixelCanvas canvas(1000, 1000);
  map.AttachCanvas(&canvas);

  std::vector<double> times;  // ms
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    map.Redraw(qv::MapPoint{38000, 13000});
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  std::printf(
      "map redraw, %ld objects on %d x %d pixels: median %.2f ms, best %.2f ms, worst %.2f "
      "ms over %d runs (target < %.0f ms)\n",
      objectCount, canvas.Width(), canvas.Height(), median, times.front(), times.back(), runs,
      kTargetMs);
  return median < kTargetMs ? 0 : 1;
}
