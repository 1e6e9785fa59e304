#include "driver_probe.h"

#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qorv {

namespace {

// The service's socket as the hardware library finds it (the library's service_socket.h;
// the application does not include the library's own headers).
constexpr const char* kDefaultSocketPath = "/run/qvnbdrv/qvnbdrv.sock";
constexpr const char* kSocketPathVariable = "QVNBDRV_SOCKET";

// The one frame that touches no hardware: the service's request for a hold, which every
// version of the service answers (ok 0 when it does not know it). Closing the connection
// ends a hold it granted.
constexpr uint32_t kBeginOperation = 0x51560001;
constexpr size_t kReplySize = 8;  // u32 ok, u32 returned
// As long as the library waits for one request.
constexpr int kAnswerTimeoutSeconds = 5;

constexpr const char* kServiceLog = "journalctl -u qvnbdrv";

std::string groupName(gid_t gid) {
    if (const group* g = ::getgrgid(gid)) return g->gr_name;
    return std::to_string(gid);
}

std::string userName(uid_t uid) {
    if (const passwd* p = ::getpwuid(uid)) return p->pw_name;
    return std::to_string(uid);
}

std::string modeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(mode & 07777));
    return text;
}

bool processHasGroup(gid_t gid) {
    if (::getegid() == gid) return true;
    const int n = ::getgroups(0, nullptr);
    if (n <= 0) return false;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    const int got = ::getgroups(n, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[size_t(i)] == gid) return true;
    return false;
}

// Whether the user's account (the group database, not this process) is in the group.
bool accountHasGroup(gid_t gid) {
    const passwd* p = ::getpwuid(::getuid());
    if (!p) return false;
    const std::string name = p->pw_name;
    const gid_t primary = p->pw_gid;
    int n = 64;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    if (::getgrouplist(name.c_str(), primary, groups.data(), &n) < 0) {
        groups.resize(size_t(n));
        if (::getgrouplist(name.c_str(), primary, groups.data(), &n) < 0) return false;
    }
    for (int i = 0; i < n; ++i)
        if (groups[size_t(i)] == gid) return true;
    return false;
}

std::string permissionProblem(const std::string& path, const struct stat& st) {
    const std::string group = groupName(st.st_gid);
    std::string text = "permission denied on the driver service's socket " + path + " (owner " + userName(st.st_uid) +
                       ", group " + group + ", mode " + modeText(st.st_mode) + ").\n";
    const bool groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (!groupMayOpen) {
        return text + "Only its owner (" + userName(st.st_uid) + ") may open it. Served with --mode 0660 " +
               "(QVNBDRV_OPTIONS in /etc/default/qvnbdrv) it lets the group " + group +
               " in; then add yourself to the group and log in again:\n  sudo usermod -aG " + group + " $USER";
    }
    if (processHasGroup(st.st_gid))
        return text + "You are in the group " + group + ", yet the system refused: " + std::strerror(EACCES) + ".";
    if (accountHasGroup(st.st_gid)) {
        return text + "Your account is in the group " + group + ", but this session began before it was added: " +
               "log in again, or start a shell in the group with 'newgrp " + group + "'.";
    }
    return text + "Only members of the group " + group + " may read the sensors; add yourself and log in again:\n" +
           "  sudo usermod -aG " + group + " $USER";
}

DriverProbe result(DriverReach reach, const std::string& path, std::string problem) {
    return DriverProbe{reach, path, std::move(problem)};
}

// After a connect that worked: does the service answer a frame?
DriverProbe askForAnswer(int fd, const std::string& path) {
    uint8_t frame[12] = {};
    for (int i = 0; i < 4; ++i) frame[i] = uint8_t(kBeginOperation >> (8 * i));  // in_len, out_len stay 0
    if (::send(fd, frame, sizeof frame, MSG_NOSIGNAL) != ssize_t(sizeof frame))
        return result(DriverReach::kClosed, path,
                      "the driver service at " + path + " closed the connection at once; it refuses connections " +
                          "beyond its limits, and its log says why (" + kServiceLog + ").");
    uint8_t reply[kReplySize];
    size_t got = 0;
    while (got < sizeof reply) {
        const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return result(DriverReach::kNoAnswer, path,
                          "the driver service at " + path + " took the connection but did not answer within " +
                              std::to_string(kAnswerTimeoutSeconds) + " s; it may be hung (" + kServiceLog + ").");
        if (n <= 0)
            return result(DriverReach::kClosed, path,
                          "the driver service at " + path + " closed the connection at once; it refuses " +
                              "connections beyond its limits, and its log says why (" + kServiceLog + ").");
        got += size_t(n);
    }
    return result(DriverReach::kAnswers, path, {});
}

}  // namespace

std::string driverSocketPath() {
    const char* fromEnvironment = std::getenv(kSocketPathVariable);
    return fromEnvironment && *fromEnvironment ? fromEnvironment : kDefaultSocketPath;
}

DriverProbe probeDriver(const std::string& path) {
    const std::string startIt = "Start it with 'sudo systemctl start qvnbdrv'";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return result(DriverReach::kNoSocket, path,
                          "the driver service is not running: there is no socket at " + path + ".\n" + startIt +
                              (path == kDefaultSocketPath ? std::string(".")
                                                          : std::string(", or point QVNBDRV_SOCKET at its socket.")));
        if (error == EACCES)
            return result(DriverReach::kPermissionDenied, path,
                          "permission denied on the folder of the driver service's socket " + path + ".");
        return result(DriverReach::kFailed, path, "cannot look at " + path + ": " + std::strerror(error) + ".");
    }
    if (!S_ISSOCK(st.st_mode))
        return result(DriverReach::kNotASocket, path,
                      path + " is not a socket, so no driver service serves there (QVNBDRV_SOCKET names " +
                          "the socket qvnbdrv --socket serves).");

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return result(DriverReach::kFailed, path, "the socket path " + path + " is too long for a Unix socket.");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return result(DriverReach::kFailed, path, std::string("cannot make a socket: ") + std::strerror(errno));
    timeval timeout{};
    timeout.tv_sec = kAnswerTimeoutSeconds;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    const int error = errno;
    DriverProbe probe;
    if (rc == 0) {
        probe = askForAnswer(fd, path);
    } else if (error == EACCES || error == EPERM) {
        probe = result(DriverReach::kPermissionDenied, path, permissionProblem(path, st));
    } else if (error == ECONNREFUSED) {
        probe = result(DriverReach::kNotListening, path,
                       "the driver service is not running: no one listens on its socket " + path +
                           ", which a stopped service left behind.\n" + startIt + ".");
    } else if (error == ENOENT) {
        probe = result(DriverReach::kNoSocket, path,
                       "the driver service is not running: its socket " + path + " went away.\n" + startIt + ".");
    } else {
        probe = result(DriverReach::kFailed, path, "cannot connect to " + path + ": " + std::strerror(error) + ".");
    }
    ::close(fd);
    return probe;
}

}  // namespace qorv
