#include "platform/SocketOwner.h"

#include <netinet/in.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace qv {

namespace {

void AppendWord(std::string& text, const unsigned char* bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  uint32_t word = 0;
  std::memcpy(&word, bytes, sizeof word);  // as the kernel prints it: in the machine's order
  for (int shift = 28; shift >= 0; shift -= 4)
    text += kHex[(word >> shift) & 0xF];
}

void AppendPort(std::string& text, uint16_t networkPort) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const uint16_t port = ntohs(networkPort);
  text += ':';
  for (int shift = 12; shift >= 0; shift -= 4)
    text += kHex[(port >> shift) & 0xF];
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t at = 0;
  while (true) {
    at = line.find_first_not_of(' ', at);
    if (at == std::string_view::npos) break;
    const size_t end = std::min(line.find(' ', at), line.size());
    fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

}  // namespace

std::string KernelTableAddress(const sockaddr_storage& address) {
  std::string text;
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    AppendWord(text, reinterpret_cast<const unsigned char*>(&v4.sin_addr));
    AppendPort(text, v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    for (size_t word = 0; word < 4; ++word)
      AppendWord(text, v6.sin6_addr.s6_addr + 4 * word);
    AppendPort(text, v6.sin6_port);
  }
  return text;
}

// A line: "sl local remote st tx:rx tr:when retrnsmt uid timeout inode ...".
std::optional<uid_t> OwnerInTcpTable(std::string_view table, std::string_view local,
                                     std::string_view remote) {
  while (!table.empty()) {
    const size_t end = std::min(table.find('\n'), table.size());
    const std::vector<std::string_view> fields = Fields(table.substr(0, end));
    table.remove_prefix(std::min(end + 1, table.size()));
    if (fields.size() < 10 || fields[1] != local || fields[2] != remote) continue;
    if (fields[9] == "0") return std::nullopt;  // closed by its process
    uid_t uid = 0;
    const std::string_view text = fields[7];
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), uid);
    if (error != std::errc() || rest != text.data() + text.size()) return std::nullopt;
    return uid;
  }
  return std::nullopt;
}

namespace {

std::string ReadTable(const char* path) {
  std::ifstream file(path);
  std::ostringstream table;
  table << file.rdbuf();
  return table.str();
}

// An IPv4 address as an IPv6 socket sees it: ::ffff:a.b.c.d.
sockaddr_storage MappedToIpv6(const sockaddr_storage& address) {
  const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
  sockaddr_storage mapped{};
  auto& v6 = reinterpret_cast<sockaddr_in6&>(mapped);
  v6.sin6_family = AF_INET6;
  v6.sin6_port = v4.sin_port;
  v6.sin6_addr.s6_addr[10] = 0xFF;
  v6.sin6_addr.s6_addr[11] = 0xFF;
  std::memcpy(v6.sin6_addr.s6_addr + 12, &v4.sin_addr, sizeof v4.sin_addr);
  return mapped;
}

}  // namespace

std::optional<uid_t> PeerOwner(int fd) {
  sockaddr_storage ours{}, theirs{};
  socklen_t oursSize = sizeof ours, theirsSize = sizeof theirs;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&ours), &oursSize) != 0 ||
      getpeername(fd, reinterpret_cast<sockaddr*>(&theirs), &theirsSize) != 0) {
    return std::nullopt;
  }
  const std::string local = KernelTableAddress(theirs);  // the client's side of its socket
  const std::string remote = KernelTableAddress(ours);
  if (local.empty()) return std::nullopt;
  if (theirs.ss_family == AF_INET6)
    return OwnerInTcpTable(ReadTable("/proc/net/tcp6"), local, remote);
  if (const auto owner = OwnerInTcpTable(ReadTable("/proc/net/tcp"), local, remote)) return owner;
  // A client's IPv6 socket may reach an IPv4 address (::ffff:127.0.0.1): the kernel lists it
  // among the IPv6 sockets, with both addresses in that form.
  return OwnerInTcpTable(ReadTable("/proc/net/tcp6"), KernelTableAddress(MappedToIpv6(theirs)),
                         KernelTableAddress(MappedToIpv6(ours)));
}

}  // namespace qv
