#include "device/Commands.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <type_traits>

using Protocol::Message;

namespace
{
struct CommandCase
{
    const char* what;
    std::optional<Message> bytes;
    std::optional<Message> expected;
};

void expectBytes (std::initializer_list<CommandCase> cases)
{
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        ASSERT_EQ (c.bytes.has_value(), c.expected.has_value());
        if (c.expected)
        {
            EXPECT_EQ (*c.bytes, *c.expected);
        }
    }
}

constexpr std::nullopt_t none = std::nullopt;
} // namespace

static_assert (std::is_base_of_v<HardwareCommand, Input2EQGainChange>);
static_assert (std::is_base_of_v<HardwareCommand, Delay2Change>);
static_assert (std::is_base_of_v<HardwareCommand, OutputMuteChange>);

TEST (ProtocolCommands, InputCommands)
{
    expectBytes ({
        { "gain -0.5 dB", Input2EQGainChange (1, -0.5).bytes(), Message{ 0xA1, 0x00, 0x00, 25 } },
        { "gain +12.5 dB", Input2EQGainChange (0, 12.5).bytes(), Message{ 0xA0, 0x00, 0x00, 0 } },
        { "band 2 gain +12", Input2EQBandGainChange (1, 2, 12).bytes(), Message{ 0xA1, 0x00, 0x0A, 48 } },
        { "band 0 gain -12", Input2EQBandGainChange (2, 0, -12).bytes(), Message{ 0xA2, 0x00, 0x04, 0 } },
        { "band 5 680 Hz", Input2EQBandFreqChange (0, 5, 680).bytes(), Message{ 0xA0, 0x00, 0x12, 45 } },
        { "band 0 21 Hz", Input2EQBandFreqChange (0, 0, 21).bytes(), Message{ 0xA0, 0x00, 0x03, 0 } },
        { "band 0 3 octaves", Input2EQBandQChange (2, 0, 3.0).bytes(), Message{ 0xA2, 0x00, 0x05, 17 } },
        { "band 5 0.3 octave", Input2EQBandQChange (2, 5, 0.3).bytes(), Message{ 0xA2, 0x00, 0x14, 8 } },
        { "name K at 0", Input2ChannelNameChange (2, 0, 'K').bytes(), Message{ 0xA2, 0x00, 0x18, 0x4B } },
        { "padding at 7", Input2ChannelNameChange (0, 7, 0x20).bytes(), Message{ 0xA0, 0x00, 0x1F, 0x20 } },
    });
}

TEST (ProtocolCommands, OutputCommands)
{
    expectBytes ({
        { "gain -60", OutputEQGainChange (0, -60).bytes(), Message{ 0xA4, 0x00, 0x00, 144 } },
        { "gain -3.5", OutputEQGainChange (5, -3.5).bytes(), Message{ 0xA9, 0x00, 0x00, 31 } },
        { "band 3 gain -12", OutputEQBandGainChange (5, 3, -12).bytes(), Message{ 0xA9, 0x00, 0x0D, 0 } },
        { "band 0 20000 Hz", OutputEQBandFreqChange (1, 0, 20000).bytes(), Message{ 0xA5, 0x00, 0x03, 89 } },
        { "band 1 3 octaves", OutputEQBandQChange (2, 1, 3.0).bytes(), Message{ 0xA6, 0x00, 0x08, 75 } },
        { "band 3 0.5 octave", OutputEQBandQChange (2, 3, 0.5).bytes(), Message{ 0xA6, 0x00, 0x0E, 12 } },
        { "low cut 20 Hz", OutputEQCutFreqChange (0, 0, 20).bytes(), Message{ 0xA4, 0x00, 0x11, 0 } },
        { "high cut 20000 Hz", OutputEQCutFreqChange (0, 1, 20000).bytes(), Message{ 0xA4, 0x00, 0x0F, 89 } },
        { "low cut BES 12", OutputEQCutFilterChange (3, 0, 2, 1).bytes(), Message{ 0xA7, 0x00, 0x12, 6 } },
        { "high cut L-R 48", OutputEQCutFilterChange (3, 1, 3, 4).bytes(), Message{ 0xA7, 0x00, 0x10, 10 } },
        { "high cut OFF 18", OutputEQCutFilterChange (0, 1, 0, 2).bytes(), Message{ 0xA4, 0x00, 0x10, 0 } },
        { "limiter -2.5", LimiterThresholdChange (4, -2.5f).bytes(), Message{ 0xA8, 0x00, 0x13, 30 } },
        { "limiter 25", LimiterThresholdChange (4, 25.0f).bytes(), Message{ 0xA8, 0x00, 0x13, 8 } },
        { "phase -3", PhaseChange (5, -3).bytes(), Message{ 0xA9, 0x00, 0x14, 0 } },
        { "phase 7", PhaseChange (5, 7).bytes(), Message{ 0xA9, 0x00, 0x14, 1 } },
        { "name z at 3", OutputChannelNameChange (1, 3, 'z').bytes(), Message{ 0xA5, 0x00, 0x1B, 0x7A } },
        { "router A and C", RouterChange (0, 0b101).bytes(), Message{ 0xA4, 0x00, 0x15, 0x05 } },
        { "mute output 2", OutputMuteChange (2, 0.0, 0b000100).bytes(), Message{ 0xB6, 0x00, 0x04, 0xFF } },
        { "unmute output 2", OutputMuteChange (2, -3.5, 0).bytes(), Message{ 0xB6, 0x00, 0x00, 31 } },
        { "others muted", OutputMuteChange (2, 0.0, 0b111011).bytes(), Message{ 0xB6, 0x00, 0x3B, 24 } },
    });
}

TEST (ProtocolCommands, DelaysAreTwoMessagesHighByteFirst)
{
    using Messages = DelayMessages;
    EXPECT_EQ (Delay2Change (1, 5760).bytes(),
               (Messages{ Message{ 0xA1, 0x00, 0x01, 0x16 }, Message{ 0xA1, 0x00, 0x02, 0x80 } }));
    EXPECT_EQ (DelayChange (5, 5760).bytes(),
               (Messages{ Message{ 0xA9, 0x00, 0x01, 0x16 }, Message{ 0xA9, 0x00, 0x02, 0x80 } }));
    EXPECT_EQ (DelayChange (0, 0).bytes(),
               (Messages{ Message{ 0xA4, 0x00, 0x01, 0x00 }, Message{ 0xA4, 0x00, 0x02, 0x00 } }));
    EXPECT_FALSE (Delay2Change (3, 1).bytes().has_value());
    EXPECT_FALSE (DelayChange (6, 1).bytes().has_value());
    EXPECT_FALSE (DelayChange (-1, 1).bytes().has_value());
}

TEST (ProtocolCommands, UnusableValuesStillGiveCodesInRange)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    expectBytes ({
        { "NaN gain", Input2EQGainChange (0, kNaN).bytes(), Message{ 0xA0, 0x00, 0x00, 144 } },
        { "NaN band gain", OutputEQBandGainChange (0, 0, kNaN).bytes(), Message{ 0xA4, 0x00, 0x04, 24 } },
        { "NaN frequency", Input2EQBandFreqChange (0, 0, kNaN).bytes(), Message{ 0xA0, 0x00, 0x03, 0 } },
        { "1e300 frequency", OutputEQCutFreqChange (0, 1, 1e300).bytes(), Message{ 0xA4, 0x00, 0x0F, 89 } },
        { "-kInf bandwidth", OutputEQBandQChange (0, 0, -kInf).bytes(), Message{ 0xA4, 0x00, 0x05, 1 } },
        { "kInf input bandwidth", Input2EQBandQChange (0, 0, kInf).bytes(), Message{ 0xA0, 0x00, 0x05, 17 } },
        { "NaN limiter", LimiterThresholdChange (0, std::numeric_limits<float>::quiet_NaN()).bytes(),
          Message{ 0xA4, 0x00, 0x13, 48 } },
        { "NaN gain, unmuted", OutputMuteChange (0, kNaN, 0).bytes(), Message{ 0xB4, 0x00, 0x00, 144 } },
    });
}

TEST (ProtocolCommands, IndicesOutsideTheirSectionSendNothing)
{
    expectBytes ({
        { "input 3", Input2EQGainChange (3, 0).bytes(), none },
        { "input -1", Input2EQGainChange (-1, 0).bytes(), none },
        { "input band 6", Input2EQBandGainChange (0, 6, 0).bytes(), none },
        { "input band -1", Input2EQBandFreqChange (0, -1, 800).bytes(), none },
        { "input band 6 width", Input2EQBandQChange (0, 6, 1).bytes(), none },
        { "input name position 8", Input2ChannelNameChange (0, 8, 'A').bytes(), none },
        { "output 6", OutputEQGainChange (6, 0).bytes(), none },
        { "output band 4", OutputEQBandGainChange (0, 4, 0).bytes(), none },
        { "output band 4 frequency", OutputEQBandFreqChange (0, 4, 800).bytes(), none },
        { "output band 4 width", OutputEQBandQChange (0, 4, 1).bytes(), none },
        { "cut 2", OutputEQCutFreqChange (0, 2, 800).bytes(), none },
        { "cut -1 filter", OutputEQCutFilterChange (0, -1, 1, 1).bytes(), none },
        { "BES 6 has no code", OutputEQCutFilterChange (0, 0, 2, 0).bytes(), none },
        { "type 4", OutputEQCutFilterChange (0, 0, 4, 1).bytes(), none },
        { "limiter output 6", LimiterThresholdChange (6, 0).bytes(), none },
        { "phase output -1", PhaseChange (-1, 0).bytes(), none },
        { "output name position -1", OutputChannelNameChange (0, -1, 'A').bytes(), none },
        { "router output 6", RouterChange (6, 1).bytes(), none },
        { "mute output 6", OutputMuteChange (6, 0, 0xFF).bytes(), none },
    });
}

TEST (ProtocolCommands, CommandsCarryTheValuesAsPassed)
{
    const std::unique_ptr<HardwareCommand> command = std::make_unique<OutputEQCutFilterChange> (5, 1, 3, 4);
    const auto* cut = dynamic_cast<const OutputEQCutFilterChange*> (command.get());
    ASSERT_NE (cut, nullptr);
    EXPECT_EQ (cut->output, 5);
    EXPECT_EQ (cut->cut, 1);
    EXPECT_EQ (cut->type, 3);
    EXPECT_EQ (cut->tapsIndex, 4);
    EXPECT_EQ (OutputMuteChange (1, -2.25, 0x3F).gainDb, -2.25);
}
