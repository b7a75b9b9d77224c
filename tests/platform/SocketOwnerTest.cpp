// Whose process holds the other end of a loopback connection: the kernel's TCP table read the way
// the line server reads it, and a socket closed by its process belongs to nobody. (Real clients
// of this user and of another, and the addresses of both families: the line server's tests.)
#include "platform/SocketOwner.h"

#include <gtest/gtest.h>

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
}

}  // namespace
}  // namespace qv::test
