#pragma once
// Whose process holds the other end of a TCP connection on this machine. The kernel lists every
// TCP socket in /proc/net/tcp (IPv4) and /proc/net/tcp6 (IPv6) with the user id that created
// it; the client's socket is the entry whose local address is our peer's and whose remote
// address is ours. A socket that its process has closed already (inode 0) belongs to nobody.
#include <sys/socket.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// An address and port as the kernel's tables write them: the address as 32-bit words in the
// machine's byte order, each in 8 upper-case hex digits, a colon, the port in 4 ("0100007F:13A5"
// for 127.0.0.1:5029). Empty for an address that is neither IPv4 nor IPv6.
std::string KernelTableAddress(const sockaddr_storage& address);

// The user id of the open socket whose local address is `local` and remote address `remote`
// (both as KernelTableAddress writes them) in the text of one of those tables.
std::optional<uid_t> OwnerInTcpTable(std::string_view table, std::string_view local,
                                     std::string_view remote);

// The user id that owns the peer's socket of the connected socket `fd`, when the peer is a
// socket of this machine that is still open.
std::optional<uid_t> PeerOwner(int fd);

}  // namespace qv
