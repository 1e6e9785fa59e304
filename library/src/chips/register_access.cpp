#include "register_access.h"

#include "../driver_channel.h"

namespace qvnhwm {

bool SmbusRegisterAccess::read(uint8_t reg, uint8_t& value) {
    return channel_.SmbusReadByte(slaveAddress_, reg, value);
}

bool SmbusRegisterAccess::write(uint8_t reg, uint8_t value) {
    return channel_.SmbusWriteByte(slaveAddress_, reg, value);
}

bool IndexPortRegisterAccess::read(uint8_t reg, uint8_t& value) { return channel_.ReadIndexed(indexPort_, reg, value); }

bool IndexPortRegisterAccess::write(uint8_t reg, uint8_t value) {
    return channel_.WriteIndexed(indexPort_, reg, value);
}

}  // namespace qvnhwm
