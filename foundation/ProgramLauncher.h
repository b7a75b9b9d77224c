#pragma once
// Starting an outside program and typing into its window, as an operator would. The capture
// program is driven only this way: nothing comes back from it but whether its window was there.
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  // Starts `program` with `arguments` in a window of its own and does not wait for it. The
  // process id, or 0 when the program could not be started.
  virtual int32_t StartProgram(const std::string& program,
                               const std::vector<std::string>& arguments) = 0;
  // Brings the window of process `id` to the front with the focus; false when the process or
  // its window is gone, or windows cannot be reached at all.
  virtual bool ActivateWindow(int32_t id) = 0;
  // Sends `keys` to the window of process `id` (" " the space bar, "^V" Ctrl+V) and returns
  // when they have been delivered; false when nothing was sent.
  virtual bool SendKeys(int32_t id, const std::string& keys) = 0;
};

}  // namespace qv
