#pragma once
// A map on a 400 x 400 pixel picture over a 20000 x 10000 micron specimen whose origin lies at
// stage (1000, 2000), with an object list and scan area the test can change.
#include <vector>

#include "specimen/MapView.h"
#include "specimen/PixelCanvas.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv::test {

struct MapRig {
  MapRig() {
    trapar.SetParDir(folder.Dir());
    map.AttachCanvas(&canvas);
    map.ZoomSet(1, 10000, 5000);
  }

  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
  MapSpecimen specimen{1000, 2000, 20000, 10000};
  MapArea area{2000, 1000, 4000, 2000};
  std::vector<MapPoint> objects;
  double attrDist = 100;
  PixelCanvas canvas{400, 400};
  MapView map{trapar, MapSources{
                          .Specimen = [this] { return specimen; },
                          .ScanArea = [this] { return area; },
                          .ObjectCount = [this] { return static_cast<int32_t>(objects.size()); },
                          .ObjectPosition = [this](int32_t n) { return objects.at(n - 1); },
                          .FindNearest = {},
                          .AttractionDistance = [this] { return attrDist; },
                      }};
};

// Number of pixels that differ from the background.
inline int PaintedPixels(const PixelCanvas& canvas) {
  int count = 0;
  for (Colour pixel : canvas.Pixels())
    count += pixel != 0 ? 1 : 0;
  return count;
}

}  // namespace qv::test
