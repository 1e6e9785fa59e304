// Who is on the other end of a connection: the peer credentials the kernel reported when
// the client connected (SO_PEERCRED), so every refusal in the log names a user and a process.
#pragma once

#include <sys/types.h>

#include <string>

namespace qvnbdrv {

struct Peer {
    uid_t uid = 0;
    pid_t pid = 0;

    // "uid 1000 pid 4242", for log lines.
    std::string text() const { return "uid " + std::to_string(uid) + " pid " + std::to_string(pid); }
};

}  // namespace qvnbdrv
