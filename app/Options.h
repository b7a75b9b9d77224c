#pragma once
// The command line of the quorvalin program.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

struct Options {
  std::string dir;                  // --dir DIR: the program folder
  bool demo = false;                // --demo: the built-in simulated microscope's folder
  std::string demoLine = "ezhr17";  // --demo ezhr17 | im483i: the controllers of that microscope
  bool console = false;             // --console: command lines from standard input
  std::string runFile;              // --run FILE: run a program file in the console and end
  bool automation = false;          // --automation: started for an automation client
  bool channelLog = false;          // --channel-log: the serial channel's messages at the end
  bool listen = false;              // --listen [PORT]: serve command lines on a local TCP port
  int32_t listenPort = -1;          // the PORT given with --listen; -1: none given
  bool help = false;
  bool version = false;    // --version: print the program's version and end
  std::string initConfig;  // --init-config [ezhr17|im483i]: the sample to copy
};

// The options, or an error text for the user.
std::optional<Options> ParseOptions(const std::vector<std::string>& arguments, std::string& error);

inline constexpr uint16_t kDefaultListenPort = 5025;  // the usual port of instrument sockets

// The port of the command-line server, when one was asked for: the port given with --listen,
// else the configuration's LISTENPORT (`configured`), else 5025 for a bare --listen. None for a
// program file run (--run) and for a configured port out of range, which `error` then names in
// a sentence.
std::optional<uint16_t> ListenPort(const Options& options, std::optional<int32_t> configured,
                                   std::string& error);

inline constexpr const char* kUsage =
    "usage: quorvalin [--dir DIR | --demo [ezhr17|im483i]] [--console [--run FILE]\n"
    "                 [--channel-log]]\n"
    "                 [--automation] [--listen [PORT]]\n"
    "       quorvalin --init-config [ezhr17|im483i] [--dir DIR]\n"
    "       quorvalin --version | --help\n"
    "  --dir DIR      program folder holding QV_CONFIG.TXT and the other settings\n"
    "  --demo [ezhr17|im483i]\n"
    "                 run on a fresh copy of the simulated microscope's folder, with\n"
    "                 the controller simulator on its line (default: ezhr17)\n"
    "  --console      read command lines from standard input, one reply line each\n"
    "  --run FILE     with --console: run the program FILE to its end\n"
    "  --channel-log  with --console: write the serial channel's latest messages to\n"
    "                 standard error when the console ends\n"
    "  --automation   started for an automation client: keep the window hidden\n"
    "  --listen [PORT]\n"
    "                 also serve command lines on 127.0.0.1 and ::1 at TCP port PORT\n"
    "                 (default: LISTENPORT of QV_CONFIG.TXT, else 5025), to the\n"
    "                 processes of this user only\n"
    "  --init-config [ezhr17|im483i]\n"
    "                 copy a sample configuration (default: ezhr17) into the user's\n"
    "                 program folder, or the --dir folder, keeping every file there\n"
    "  --version      print the version and end\n"
    "  --help, -h     print this text and end\n"
    "Without --dir the program folder is the executable's folder when it holds\n"
    "QV_CONFIG.TXT, else $XDG_CONFIG_HOME/quorvalin (~/.config/quorvalin).\n";

}  // namespace qv
