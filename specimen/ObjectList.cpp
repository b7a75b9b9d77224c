#include "specimen/ObjectList.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "devices/Stage.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

bool Valid(int32_t n, std::size_t count) {
  return n >= 1 && static_cast<std::size_t>(n) <= count;
}

// Takes the next blank-separated token off `rest`; empty when the line has no more.
std::string_view NextWord(std::string_view& rest) {
  rest = TrimBlanks(rest);
  const std::size_t blank = rest.find(' ');
  const std::string_view word = rest.substr(0, blank);
  rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank);
  return word;
}

// A coordinate of a file line; infinities and overflows do not count as numbers.
std::optional<double> Coordinate(std::string_view token) {
  const std::optional<double> value = ParseNumber(token);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

}  // namespace

std::string ObjFileLine(int32_t number, const ObjRecord& object) {
  std::string comment = object.Comment;
  const bool hasComma = comment.find(',') != std::string::npos;
  std::string line = Str(number) + " " + FormatFixed(object.X, 1) + " " + FormatFixed(object.Y, 1) +
                     " " + FormatFixed(object.Z, 2) + " ";
  if (!hasComma) return line + comment;
  // A comma would cut the line into two objects and shift every later number; inside quotes
  // the list reader keeps it. A quote would end the item early, so it cannot stay.
  std::erase(comment, '"');
  return "\"" + line + comment + "\"";
}

ObjRecord ParseObjFileLine(std::string_view item) {
  ObjRecord object;
  std::string_view rest = item;
  if (NextWord(rest).empty()) return object;  // the object number is not used
  double* const coordinates[] = {&object.X, &object.Y, &object.Z};
  for (double* coordinate : coordinates) {
    const std::string_view token = NextWord(rest);
    if (token.empty()) return object;
    if (const std::optional<double> value = Coordinate(token)) *coordinate = *value;
  }
  object.Comment = std::string(NextWord(rest));
  return object;
}

void ObjectList::ObjListClear() {
  objects_.clear();
  objects_.shrink_to_fit();
  objects_.reserve(51);
  changed_ = 1;
  Notify();
}

int32_t ObjectList::ObjAdd(double x, double y, double z, std::string comment) {
  objects_.push_back({x, y, z, std::move(comment)});
  Notify();
  return ObjListCount();
}

int16_t ObjectList::ObjGet(int32_t n, ObjRecord& object) const {
  if (!Valid(n, objects_.size())) return -1;
  object = objects_[static_cast<std::size_t>(n - 1)];
  return 1;
}

int16_t ObjectList::ObjGetText(int32_t n, std::string& text) const {
  ObjRecord object;
  if (ObjGet(n, object) < 0) return -1;
  text = Str(object.X) + " " + Str(object.Y) + " " + Str(object.Z) + " " + object.Comment;
  return 1;
}

int16_t ObjectList::ObjEdit(int32_t n, ObjRecord object) {
  if (!Valid(n, objects_.size())) return -1;
  objects_[static_cast<std::size_t>(n - 1)] = std::move(object);
  changed_ = 1;
  Notify();
  return 1;
}

std::vector<std::string> ObjectList::ObjListToLines() const {
  std::vector<std::string> lines;
  lines.reserve(objects_.size());
  int32_t number = 0;
  for (const ObjRecord& object : objects_)
    lines.push_back(ObjFileLine(++number, object));
  return lines;
}

void ObjectList::ObjListFromLines(const std::vector<std::string>& lines) {
  std::vector<ObjRecord> objects;
  objects.reserve(lines.size());
  for (const std::string& line : lines)
    objects.push_back(ParseObjFileLine(line));
  objects_ = std::move(objects);
  changed_ = 1;
  Notify();
}

int ObjectList::Watch(std::function<void()> watcher) {
  watchers_.emplace_back(++lastWatcher_, std::move(watcher));
  return lastWatcher_;
}

void ObjectList::Unwatch(int id) {
  std::erase_if(watchers_, [id](const auto& watcher) { return watcher.first == id; });
}

// A watcher may stop watching, or start another, while it is told.
void ObjectList::Notify() const {
  const auto watchers = watchers_;
  for (const auto& watcher : watchers)
    watcher.second();
}

int32_t ObjectList::ObjListRead(KeywordFiles& keywordFiles, const std::string& path) {
  PlainList lines;
  if (keywordFiles.ReadList(path, lines) <= 0) return -1;
  ObjListFromLines(lines);
  return ObjListCount();
}

int32_t ObjectList::ObjListWrite(KeywordFiles& keywordFiles, const std::string& path) const {
  if (const int16_t written = keywordFiles.WriteList(ObjListToLines(), path); written < 0)
    return written;
  return ObjListCount();
}

std::string ObjectList::ObjListText() const {
  std::string text;
  for (const std::string& line : ObjListToLines())
    text += line + "\r\n";
  return text;
}

int32_t ObjectList::ObjFindNearest(double x, double y, double& distanceSquared) const {
  distanceSquared = 0;
  int32_t best = -1;
  int32_t number = 0;
  for (const ObjRecord& object : objects_) {
    ++number;
    const double dx = object.X - x;
    const double dy = object.Y - y;
    const double d2 = dx * dx + dy * dy;
    if (best < 0 || d2 < distanceSquared) {
      best = number;
      distanceSquared = d2;
    }
  }
  return best;
}

int32_t ObjGoTo(const ObjectList& list, int32_t n, Stage& stage) {
  ObjRecord object;
  if (list.ObjGet(n, object) < 0) return -1;
  if (object.X == kUndefinedPos || object.Y == kUndefinedPos) return -1;
  // A program reads the object's number, "Error " for a failure, 0 when nothing was sent.
  const auto code = [](Result r) { return r.failed() ? -1 : 0; };
  const Result moved = stage.XYMoveAbsBacklash(object.X, object.Y);
  if (!moved.ok()) return code(moved);
  const Result waited = stage.XYWait();
  return waited.ok() ? n : code(waited);
}

}  // namespace qv
