#include "app/Options.h"

#include <charconv>

namespace qv {
namespace {

// --init-config takes the sample's line as an optional value: the next argument unless that is
// an option.
bool TakeSampleLine(const std::vector<std::string>& arguments, size_t& i, Options& options,
                    std::string& error) {
  options.initConfig = "ezhr17";
  if (i + 1 >= arguments.size() || arguments[i + 1].rfind("--", 0) == 0) return true;
  options.initConfig = arguments[++i];
  if (options.initConfig == "ezhr17" || options.initConfig == "im483i") return true;
  error = "--init-config takes ezhr17 or im483i, not " + options.initConfig;
  return false;
}

// Decimal digits only, 0 to 65535.
bool PortNumber(const std::string& text, int32_t& port) {
  const char* end = text.data() + text.size();
  const auto [rest, problem] = std::from_chars(text.data(), end, port);
  return problem == std::errc() && rest == end && port >= 0 && port <= 65535;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& arguments, std::string& error) {
  Options options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const auto value = [&](std::string& target) {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        error = a + " needs a value";
        return false;
      }
      target = arguments[++i];
      return true;
    };
    if (a == "--dir") {
      if (!value(options.dir)) return std::nullopt;
    } else if (a == "--run") {
      if (!value(options.runFile)) return std::nullopt;
    } else if (a == "--demo") {
      options.demo = true;
      if (i + 1 < arguments.size() && arguments[i + 1].rfind("--", 0) != 0) {
        options.demoLine = arguments[++i];
        if (options.demoLine != "ezhr17" && options.demoLine != "im483i") {
          error = "--demo takes ezhr17 or im483i, not " + options.demoLine;
          return std::nullopt;
        }
      }
    } else if (a == "--console") {
      options.console = true;
    } else if (a == "--channel-log") {
      options.channelLog = true;
    } else if (a == "--automation") {
      options.automation = true;
    } else if (a == "--init-config") {
      if (!TakeSampleLine(arguments, i, options, error)) return std::nullopt;
    } else if (a == "--version") {
      options.version = true;
    } else if (a == "--listen") {
      options.listen = true;
      if (i + 1 < arguments.size() && arguments[i + 1].rfind("--", 0) != 0) {
        const std::string& port = arguments[++i];
        if (!PortNumber(port, options.listenPort)) {
          error = "--listen takes a port number from 0 to 65535, not " + port;
          return std::nullopt;
        }
      }
    } else if (a == "--help" || a == "-h") {
      options.help = true;
    } else {
      error = "unknown option " + a;
      return std::nullopt;
    }
  }
  if (options.demo && !options.dir.empty()) {
    error = "--demo and --dir choose the program folder both; give one";
    return std::nullopt;
  }
  if (!options.initConfig.empty() && options.demo) {
    error = "--init-config copies into the user's folder or --dir, not a demonstration";
    return std::nullopt;
  }
  if (!options.runFile.empty() && !options.console) {
    error = "--run works with --console";
    return std::nullopt;
  }
  if (!options.runFile.empty() && options.listen) {
    error = "--listen does not work with --run";
    return std::nullopt;
  }
  return options;
}

std::optional<uint16_t> ListenPort(const Options& options, std::optional<int32_t> configured,
                                   std::string& error) {
  if (!options.runFile.empty()) return std::nullopt;
  if (options.listenPort >= 0) return static_cast<uint16_t>(options.listenPort);
  if (configured) {
    if (*configured >= 0 && *configured <= 65535) return static_cast<uint16_t>(*configured);
    error = "LISTENPORT " + std::to_string(*configured) +
            " in QV_CONFIG.TXT is no port number (0 to 65535), so no command lines are served.";
    return std::nullopt;
  }
  if (options.listen) return kDefaultListenPort;
  return std::nullopt;
}

}  // namespace qv
