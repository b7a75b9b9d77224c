#pragma once
// For benchmarks that run the program against the simulator over a pseudo-terminal: a private
// copy of the demonstration folder whose line is quorvalin-sim at 9600 baud, polled as often as
// the line allows. The simulator is stopped and the folder removed when the object goes.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace bench {

class DemoLine {
 public:
  // `name` tells the folders of different benchmarks apart.
  DemoLine(const std::string& simulator, const std::string& sourceDir, const std::string& name)
      : folder_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(folder_);
    for (const auto& entry : std::filesystem::directory_iterator(sourceDir + "/config/demo")) {
      std::filesystem::copy(entry.path(), folder_ / entry.path().filename());
    }
    const std::string link = (folder_ / "line").string();
    std::string config = Read(folder_ / "QV_CONFIG.TXT");
    // Poll as often as the line allows, so that the waits end with the motions.
    config.replace(config.find("\"WAITPOLLINGINTERVAL\", 50"), 25, "\"WAITPOLLINGINTERVAL\", 1");
    std::ofstream(folder_ / "QV_CONFIG.TXT", std::ios::binary) << "\"PORTNAME\"," << link << "\r\n"
                                                               << config;
    std::vector<std::string> args = {simulator, "--dir", folder_.string(), "--link", link,
                                     "--baud",  "9600"};
    std::vector<char*> argv;
    for (auto& arg : args)
      argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn(&simulator_, simulator.c_str(), nullptr, nullptr, argv.data(), environ);
    for (int i = 0; i < 250 && !std::filesystem::exists(link); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  DemoLine(const DemoLine&) = delete;
  DemoLine& operator=(const DemoLine&) = delete;
  ~DemoLine() {
    if (simulator_ > 0) {
      kill(simulator_, SIGTERM);
      waitpid(simulator_, nullptr, 0);
    }
    std::filesystem::remove_all(folder_);
  }

  std::string Folder() const { return folder_.string(); }

 private:
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path folder_;
  pid_t simulator_ = -1;
};

}  // namespace bench
