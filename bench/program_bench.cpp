// Programs run as `quorvalin --run` runs them, at sizes no operator writes by hand: loops nested
// n deep ("Repeat 1 Times" n times, one "Ver", "Endrepeat" n times) and a flat program of n
// lines. Each case runs in a process of its own, which reports its time (on the clock and on the
// processor, which a busy machine does not inflate) and its peak memory.
// The time must grow with the program's text, not with a power of its depth.
// usage: qv_program_bench [nested levels ...]   (default 1000 3000 5000; the flat program has
// 10,000 lines)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/Console.h"
#include "app/System.h"
#include "foundation/AtomicFile.h"
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

namespace {

struct Case {
  std::string name;
  std::string text;  // the program file, CR LF ended
  int replies = 0;   // the reply lines a complete run writes
};

Case Nested(int levels) {
  Case c{"nested \"Repeat 1 Times\", levels", {}, 2 * levels + 1};
  for (int i = 0; i < levels; ++i)
    c.text += "Repeat 1 Times\r\n";
  c.text += "Ver\r\n";
  for (int i = 0; i < levels; ++i)
    c.text += "Endrepeat\r\n";
  c.text += "End\r\n";
  return c;
}

Case Flat(int lines) {
  Case c{"flat program, lines", {}, lines};
  for (int i = 0; i < lines; ++i)
    c.text += "Ver\r\n";
  return c;
}

rusage Usage() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage;
}

double CpuSeconds() {
  const rusage usage = Usage();
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs in the child: start-up without a folder's files, then the program from its file.
int RunCase(const Case& c, int size, const std::filesystem::path& folder) {
  std::ostream discarded(nullptr);  // the statements' messages, which --run writes to stderr
  qv::ConsoleFrontEnd console(discarded);
  qv::test::FakeClock clock;
  qv::test::SilentPort port(clock);
  qv::System system(qv::Platform{console, clock, console, port});
  system.InitSystem(folder.string());
  const std::string path = (folder / "BENCH.PRG").string();
  qv::WriteFileAtomically(path, c.text);
  const long before = Usage().ru_maxrss;

  std::ostringstream out;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  const int status = qv::RunProgramFile(system, path, out);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuStart;

  const std::string output = out.str();
  long lines = 0;
  for (const char ch : output)
    lines += ch == '\n' ? 1 : 0;
  const bool ok = status == 0 && lines == c.replies + 1 && output.ends_with("PROGRAM FINISHED\n");
  std::printf("%-34s %6d: %9.3f s (processor %9.3f s), peak %7.1f MB (%5.1f MB before)%s\n",
              c.name.c_str(), size, seconds, cpu, Usage().ru_maxrss / 1024.0, before / 1024.0,
              ok ? "" : "  WRONG RESULT");
  std::fflush(stdout);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> levels;
  for (int i = 1; i < argc; ++i)
    levels.push_back(std::max(1, std::atoi(argv[i])));
  if (levels.empty()) levels = {1000, 3000, 5000};
  std::vector<std::pair<Case, int>> cases;
  cases.reserve(levels.size() + 1);
  for (const int n : levels)
    cases.emplace_back(Nested(n), n);
  cases.emplace_back(Flat(10000), 10000);

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("qv-program-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  bool correct = true;
  for (const auto& [c, size] : cases) {
    const pid_t child = fork();
    if (child == 0) _exit(RunCase(c, size, folder));
    int status = 0;
    waitpid(child, &status, 0);
    correct = correct && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  std::filesystem::remove_all(folder);
  return correct ? 0 : 1;
}
