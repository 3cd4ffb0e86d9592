#pragma once

#include "device/Protocol.h"

#include <array>
#include <cstdint>

// One channel's 32 bytes as the processor returns them on a read-back.
using ChannelBlock = std::array<std::uint8_t, Protocol::channelBlockSize>;
