#pragma once
// The operator's list of marked places on the specimen: numbered stage positions with a focus
// position and a one-word comment, kept in memory and saved to and loaded from an object
// coordinate file (a plain list file, one object a line). Object numbers count from 1.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/KeywordFiles.h"

namespace qv {

class Stage;

// Marks a coordinate that is not available (axis not installed, read failed, missing in a file).
inline constexpr double kUndefinedPos = 77777.7;

struct ObjRecord {
  double X = kUndefinedPos;  // microns, stage coordinates
  double Y = kUndefinedPos;  // microns
  double Z = kUndefinedPos;  // microns, focus position
  std::string Comment;       // one word; blanks split it when the file is read back
};

// One line of the object coordinate file for object `number`: " 3 234.6 -78.9 12.35 cellA".
std::string ObjFileLine(int32_t number, const ObjRecord& object);
// The object described by one item of the file; the number at its start is not used.
ObjRecord ParseObjFileLine(std::string_view item);

class ObjectList {
 public:
  ObjectList() {
    ObjListClear();
    changed_ = 0;
  }

  void ObjListClear();
  // The number of the new object.
  int32_t ObjAdd(double x, double y, double z, std::string comment);
  // 1, or -1 when n is not an object number.
  int16_t ObjGet(int32_t n, ObjRecord& object) const;
  // " 1.5  2 -3 name": the Str texts of X, Y and Z and the comment, separated by blanks.
  int16_t ObjGetText(int32_t n, std::string& text) const;
  int16_t ObjEdit(int32_t n, ObjRecord object);
  int32_t ObjListCount() const { return static_cast<int32_t>(objects_.size()); }

  std::vector<std::string> ObjListToLines() const;
  // Replaces the list by one object per line, renumbered by position.
  void ObjListFromLines(const std::vector<std::string>& lines);
  // The number of objects read; -1 when the file is missing or holds nothing, the list then
  // being left as it was.
  int32_t ObjListRead(KeywordFiles& keywordFiles, const std::string& path);
  // The number of objects written; -1 when the file could not be written, kLinkRefused when a
  // link on the way was not followed (the message names it).
  int32_t ObjListWrite(KeywordFiles& keywordFiles, const std::string& path) const;
  // The file's lines, each followed by CR LF: what the operator saves from the text editor.
  std::string ObjListText() const;

  // Set by an edit of an existing object and by replacing the whole list (clearing, reading):
  // the object grid must redraw every row. A list replaced by one of the same length would
  // otherwise keep showing the old objects.
  void ObjSetChanged(int16_t flag) { changed_ = flag; }
  int16_t ObjGetChanged() const { return changed_; }

  // Runs `watcher` after every change of the list (an object added or edited, the list cleared
  // or replaced), whoever made it, until Unwatch with the number returned: a view of the list
  // follows a client's commands as well as the operator's.
  int Watch(std::function<void()> watcher);
  void Unwatch(int id);

  // The nearest object to (x, y) (a tie goes to the lower number) and its squared distance in
  // square microns; -1 and 0 for an empty list.
  int32_t ObjFindNearest(double x, double y, double& distanceSquared) const;

  // Microns: a click on the map this close to an object selects it.
  double AttrDist = 100.0;

 private:
  void Notify() const;

  std::vector<ObjRecord> objects_;  // object n is element n - 1
  int16_t changed_ = 0;
  std::vector<std::pair<int, std::function<void()>>> watchers_;
  int lastWatcher_ = 0;
};

// Moves the stage to object n, approaching it as every saved position is approached, and waits
// for the stage: n, or a negative status (-1 no such object or X or Y undefined, else the
// stage's). The focus does not move.
int32_t ObjGoTo(const ObjectList& list, int32_t n, Stage& stage);

}  // namespace qv
