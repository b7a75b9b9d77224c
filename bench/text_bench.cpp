// The text paths at sizes no operator reaches by hand, each of which must take time in
// proportion to its input: one command line of n "Ver" commands (4 bytes each with its ";"),
// a program file of n lines, an object coordinate file of n objects and a keyword file of n
// keys. Every size is run at n and at 10 n; a ratio near 10 is linear, near 100 quadratic.
// usage: qv_text_bench [n]   (default 100000)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/System.h"
#include "foundation/AtomicFile.h"
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

namespace {

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A file of `count` lines made by `line`, CR LF ended.
std::string Lines(int count, const std::function<std::string(int)>& line) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += line(i) + "\r\n";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int base = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  qv::SilentNotifier notifier;
  qv::test::FakeClock clock;
  qv::FrontEnd front;
  qv::test::SilentPort port(clock);
  qv::System system(qv::Platform{notifier, clock, front, port});
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("qv-text-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  system.keywordFiles.SetParDir(folder.string() + "/");

  bool correct = true;
  const auto report = [&correct](const char* what, int n, double seconds, double previous,
                                 bool ok) {
    correct = correct && ok;
    std::printf("%-34s n = %8d: %8.3f s", what, n, seconds);
    if (previous > 0) std::printf("  (x%.1f for 10 n)", seconds / previous);
    std::printf("%s\n", ok ? "" : "  WRONG RESULT");
  };

  double before = 0;
  for (const int n : {base, base * 10}) {
    std::string line;
    for (int i = 0; i < n; ++i)
      line += "Ver;";
    std::string reply;
    const double seconds = Seconds([&] { reply = system.ExecuteLine(line); });
    report("command line of n \"Ver\"", n, seconds, before,
           reply.size() == static_cast<size_t>(n) * 6 && reply.starts_with("4.0 ; 4.0 ; "));
    before = seconds;
  }

  before = 0;
  for (const int n : {base, base * 10}) {
    const std::string path = (folder / "LONG.PRG").string();
    qv::WriteFileAtomically(
        path, Lines(n, [](int i) {
          return i % 3 == 0 ? "Repeat 2 Times" : i % 3 == 1 ? "Ver" : "Endrepeat";
        }));
    int read = 0;
    const double seconds = Seconds([&] { read = system.interpreter.ReadProgram(path); });
    report("program file of n lines", n, seconds, before, read == n);
    before = seconds;
  }

  before = 0;
  for (const int n : {base, base * 10}) {
    const std::string path = (folder / "OBJECTS.TXT").string();
    qv::WriteFileAtomically(
        path, Lines(n, [](int i) { return " " + std::to_string(i + 1) + " 1.5 -2.5 3.25 cell"; }));
    int32_t read = 0;
    const double seconds =
        Seconds([&] { read = system.objects.ObjListRead(system.keywordFiles, path); });
    report("object file of n objects", n, seconds, before, read == n);
    before = seconds;
  }

  before = 0;
  for (const int n : {base, base * 10}) {
    const std::string path = system.keywordFiles.ParPath("QV_LONG.TXT");
    qv::WriteFileAtomically(path, Lines(n, [](int i) {
                              return "\"KEY" + std::to_string(i) + "\", " + std::to_string(i);
                            }));
    int32_t last = -1;
    const double seconds = Seconds([&] {
      qv::ParList list;
      system.keywordFiles.ReadParList(path, list);
      qv::GetPar(list, "KEY" + std::to_string(n - 1), last);
    });
    report("keyword file of n keys", n, seconds, before, last == n - 1);
    before = seconds;
  }

  std::filesystem::remove_all(folder);
  return correct ? 0 : 1;
}
