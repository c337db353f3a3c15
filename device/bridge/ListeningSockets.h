// Which process listens on a local TCP port: the kernel's socket tables (/proc/net/tcp and
// tcp6) name the listening socket's inode and owner, and /proc/<pid>/fd names the processes
// that hold it. Only processes of one user are looked at.
#pragma once

#include <string_view>
#include <sys/types.h>
#include <vector>

/// The inodes of the sockets in one /proc/net/tcp or tcp6 text that listen (state 0A) on
/// `port` and belong to `uid`. Lines that do not parse are skipped.
std::vector<unsigned long> ParseListeningInodes(std::string_view table, int port, uid_t uid);

/// The processes of `uid` that hold a socket listening on `port` (IPv4 or IPv6).
std::vector<pid_t> ProcessesListeningOn(int port, uid_t uid);
