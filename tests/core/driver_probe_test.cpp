// Why the driver service cannot be reached, found with real sockets in each state a user
// meets: none, a stale one, a service that closes at once, and a service that answers.
// (A socket the user may not open is met by the qorvmon-sensors tests, as another user.)
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <thread>

#include "driver_probe.h"
#include "service_process.h"
#include "temp_dir.h"

namespace qorv {
namespace {

using qorv::testing::ServiceProcess;
using qorv::testing::TempDir;

// A socket bound at path; listening with a backlog when listen is set.
int boundSocket(const std::string& path, bool listen) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) ADD_FAILURE() << "bind " << path;
    if (listen) ::listen(fd, 4);
    return fd;
}

TEST(DriverProbe, NamesWhatStandsBetweenTheUserAndTheService) {
    TempDir dir;
    const std::string path = dir.file("qvnbdrv.sock");
    const struct {
        const char* what;
        std::function<std::function<void()>()> arrange;  // sets the path up; gives the tidying
        DriverReach reach;
        const char* problem;  // a part of the problem's text; "" for none
    } cases[] = {
        {"nothing at the path", [] { return [] {}; }, DriverReach::kNoSocket,
         "the driver service is not running: there is no socket at "},
        {"a plain file",
         [&] {
             std::ofstream(path) << "x";
             return [&] { ::unlink(path.c_str()); };
         },
         DriverReach::kNotASocket, " is not a socket"},
        {"a socket a stopped service left",
         [&] {
             ::close(boundSocket(path, false));
             return [&] { ::unlink(path.c_str()); };
         },
         DriverReach::kNotListening, "no one listens on its socket"},
        {"a service that closes every connection",
         [&] {
             const int fd = boundSocket(path, true);
             std::thread closer([fd] { ::close(::accept(fd, nullptr, nullptr)); });
             return std::function<void()>([&path, fd, t = std::make_shared<std::thread>(std::move(closer))] {
                 t->join();
                 ::close(fd);
                 ::unlink(path.c_str());
             });
         },
         DriverReach::kClosed, "closed the connection at once"},
        {"the service",
         [&] {
             auto service =
                 std::make_shared<ServiceProcess>(std::string(QORV_BOARDS_DIR) + "/M4430.txt", path, dir.file("log"));
             EXPECT_TRUE(service->ready()) << service->log();
             return std::function<void()>([service] { service->stop(); });
         },
         DriverReach::kAnswers, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::function<void()> tidy = c.arrange();
        const DriverProbe probe = probeDriver(path);
        EXPECT_EQ(probe.reach, c.reach);
        EXPECT_EQ(probe.path, path);
        if (*c.problem) {
            EXPECT_NE(probe.problem.find(c.problem), std::string::npos) << probe.problem;
            EXPECT_NE(probe.problem.find(path), std::string::npos) << probe.problem;
        } else {
            EXPECT_EQ(probe.problem, "");
        }
        tidy();
    }
}

}  // namespace
}  // namespace qorv
