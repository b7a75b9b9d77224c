#pragma once
// Which process holds the lock against a second copy of the program, so that a refused start
// can say which copy holds the instrument.
#include <string>
#include <string_view>

namespace qv {

// The process id that holds a flock() lock on the file with that device and inode, found in the
// kernel's lock table `locks` (the text of /proc/locks); 0 when none does.
int LockHolderIn(std::string_view locks, unsigned deviceMajor, unsigned deviceMinor,
                 unsigned long inode);

// The copy holding the lock file quorvalin.lock in `lockFolder`, as "process 1234 (quorvalin
// --console --dir /data/scope)"; empty when none is found.
std::string InstanceLockHolder(const std::string& lockFolder);

}  // namespace qv
