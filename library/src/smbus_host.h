// The SMBus host controller families, numbered as the driver knows them.
#pragma once

#include <cstdint>

namespace qvnhwm {

enum SmbusHostKind : int32_t {
    kHostAmd = 0,          // AMD766, AMD768
    kHostIntel = 1,        // ICH .. ICH4
    kHostServerWorks = 2,  // OSB4, CSB5
};

}  // namespace qvnhwm
