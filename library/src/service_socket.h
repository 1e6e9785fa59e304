// Where the Linux driver service listens, the same for the library that connects and the
// service that serves.
#pragma once

namespace qvnhwm {

inline constexpr const char* kDefaultSocketPath = "/run/qvnbdrv/qvnbdrv.sock";
// Points the library elsewhere (tests, the demo, unprivileged runs).
inline constexpr const char* kSocketPathVariable = "QVNBDRV_SOCKET";

}  // namespace qvnhwm
