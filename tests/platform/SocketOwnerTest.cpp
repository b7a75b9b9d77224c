// Whose process holds the other end of a loopback connection: the kernel's TCP tables read the
// way the line server reads them, for IPv4 and IPv6, and a socket closed by its process belongs
// to nobody. (Real clients of this user, on both families: the line server's tests.)
#include "platform/SocketOwner.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <bit>

namespace qv::test {
namespace {

TEST(SocketOwner, TheClientsEntryIsTheOneWithItsAddressLocalAndOursRemote) {
  const std::string table =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout"
      " inode\n"
      "   0: 0100007F:13A5 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0"
      " 4711 1 0000000000000000 100 0 0 10 0\n"
      "   1: 0100007F:13A5 0100007F:9C40 01 00000000:00000000 00:00000000 00000000  1000        0"
      " 4712 1 0000000000000000 20 4 30 10 -1\n"
      "   2: 0100007F:9C40 0100007F:13A5 01 00000000:00000000 00:00000000 00000000    65534      0"
      " 4713 1 0000000000000000 20 4 30 10 -1\n"
      "   3: 0100007F:9C41 0100007F:13A5 04 00000000:00000000 01:00000014 00000000     0        0"
      " 0 3 0000000000000000 20 4 30 10 -1\n";
  EXPECT_EQ(OwnerInTcpTable(table, "0100007F:9C40", "0100007F:13A5"), 65534u);
  EXPECT_EQ(OwnerInTcpTable(table, "0100007F:13A5", "0100007F:9C40"), 1000u);  // our own side
  EXPECT_EQ(OwnerInTcpTable(table, "0100007F:9C41", "0100007F:13A5"), std::nullopt);  // closed
  EXPECT_EQ(OwnerInTcpTable(table, "0100007F:9C42", "0100007F:13A5"), std::nullopt);
  EXPECT_EQ(OwnerInTcpTable("", "0100007F:9C40", "0100007F:13A5"), std::nullopt);
}

TEST(SocketOwner, AddressesAreWrittenAsTheKernelWritesThem) {
  if constexpr (std::endian::native != std::endian::little) GTEST_SKIP();
  sockaddr_storage v4{};
  auto& in4 = reinterpret_cast<sockaddr_in&>(v4);
  in4.sin_family = AF_INET;
  in4.sin_port = htons(5029);
  in4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(KernelTableAddress(v4), "0100007F:13A5");
  sockaddr_storage v6{};
  auto& in6 = reinterpret_cast<sockaddr_in6&>(v6);
  in6.sin6_family = AF_INET6;
  in6.sin6_port = htons(40000);
  in6.sin6_addr = in6addr_loopback;
  EXPECT_EQ(KernelTableAddress(v6), "00000000000000000000000001000000:9C40");
}

}  // namespace
}  // namespace qv::test
