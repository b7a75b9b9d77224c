// "Ver" round trips from one client over the line server, one after the other; prints round
// trips per second. The program must be serving at PORT already (it is given 30 s to come).
//   qv_line_server_bench PORT [ROUNDS]
// Run through bench/line_server_bench.sh, which sets the number beside D-Bus Exec's.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

int Connect(uint16_t port) {
  const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  for (int attempt = 0; attempt < 300; ++attempt) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return -1;
}

// One round trip; false when the answer is not "4.0 ; ".
bool Ver(int fd, std::string& pending) {
  if (send(fd, "Ver\n", 4, MSG_NOSIGNAL) != 4) return false;
  size_t lf;
  while ((lf = pending.find('\n')) == std::string::npos) {
    char buffer[256];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    pending.append(buffer, static_cast<size_t>(n));
  }
  const bool ok = pending.compare(0, lf, "4.0 ; ") == 0 && lf == 6;
  pending.erase(0, lf + 1);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: qv_line_server_bench PORT [ROUNDS]\n");
    return 2;
  }
  const auto port = static_cast<uint16_t>(std::atoi(argv[1]));
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int fd = Connect(port);
  if (fd < 0) {
    std::fprintf(stderr, "nothing serves port %u\n", port);
    return 1;
  }
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  std::string pending;
  if (!Ver(fd, pending)) {
    std::fprintf(stderr, "no valid answer\n");
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    if (!Ver(fd, pending)) {
      std::fprintf(stderr, "no valid answer\n");
      return 1;
    }
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  std::printf("%.0f\n", rounds / seconds.count());
  close(fd);
  return 0;
}
