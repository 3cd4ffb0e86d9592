#pragma once

#include "device/Protocol.h"

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>

class DeviceState;

// Which inputs feed each output: one byte per output, bit n = input n+1.
// Bits 3 to 7 are kept and sent as they came from a file.
class RouterState
{
public:
    static constexpr const char* sectionTag = "Orveth_Tavik_router_state";

    explicit RouterState (DeviceState& owner);

    std::uint8_t getInputMask (int output) const noexcept;
    bool isRouted (int output, int input) const noexcept;

    // What a crosspoint click does: one RouterChange with the output's whole byte.
    void setRoute (int output, int input, bool on);
    // Several crosspoints of one output at once: one RouterChange, so the
    // processor never passes through the routings in between.
    void setRoutes (int output, std::uint8_t setBits, std::uint8_t clearedBits);

    // Stores a byte read back from the processor, sending nothing.
    void applyReadBack (int output, std::uint8_t inputMask) noexcept;

    void sendRouterToDevice();

    // Into element itself when it is the router element, else into a new last child.
    void writeRouterSection (juce::XmlElement& element) const;
    void readRouterSection (const juce::XmlElement& element);

private:
    DeviceState& state;
    std::array<std::uint8_t, Protocol::outputCount> inputMasks{};

    void store (int output, std::uint8_t mask);
};
