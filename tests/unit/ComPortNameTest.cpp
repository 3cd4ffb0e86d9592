#include "device/ComPortName.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace
{
// The bytes of the text exactly, without a terminator, in a buffer of that size
// so that a read past the end shows up under the address sanitizer.
std::vector<std::uint8_t> utf16le (const std::u16string& text)
{
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : text)
    {
        bytes.push_back ((std::uint8_t) (unit & 0xff));
        bytes.push_back ((std::uint8_t) (unit >> 8));
    }
    return bytes;
}

std::optional<int> parse (const std::u16string& text)
{
    const auto bytes = utf16le (text);
    return comPortNumber (bytes.data(), bytes.size());
}

// As the registry hands it back: a 512-byte buffer, the size counting the terminator.
std::optional<int> parseRegistryValue (const std::u16string& text)
{
    auto bytes = utf16le (text + u'\0');
    const auto size = bytes.size();
    bytes.resize (512, 0xcc);
    return comPortNumber (bytes.data(), size);
}
} // namespace

TEST (ComPortName, AcceptsComFollowedByDigitsInAnyCase)
{
    EXPECT_EQ (parse (u"COM1"), 1);
    EXPECT_EQ (parse (u"COM10"), 10);
    EXPECT_EQ (parse (u"COM255"), 255);
    EXPECT_EQ (parse (u"com7"), 7);
    EXPECT_EQ (parse (u"cOm4"), 4);
    EXPECT_EQ (parse (u"COM007"), 7);
    EXPECT_EQ (parseRegistryValue (u"COM3"), 3);
    EXPECT_EQ (parseRegistryValue (u"COM42"), 42);
}

TEST (ComPortName, NumberEndsAtFirstNonDigit)
{
    EXPECT_EQ (parse (u"COM3A"), 3);
    EXPECT_EQ (parse (u"COM12 (USB)"), 12);
    EXPECT_EQ (parse (u"COM5x9"), 5);
}

TEST (ComPortName, SkipsOtherNames)
{
    EXPECT_FALSE (parse (u"LPT1").has_value());
    EXPECT_FALSE (parse (u"COMX").has_value());
    EXPECT_FALSE (parse (u"COM").has_value());
    EXPECT_FALSE (parse (u"CO1").has_value());
    EXPECT_FALSE (parse (u"COM A").has_value());
    EXPECT_FALSE (parse (u"XCOM1").has_value());
    EXPECT_FALSE (parse (u" COM1").has_value());
    EXPECT_FALSE (parse (u"CNCA0").has_value());
    EXPECT_FALSE (parseRegistryValue (u"LPT1").has_value());
    EXPECT_FALSE (parseRegistryValue (u"COM").has_value());
}

TEST (ComPortName, EmptyOrMissingValueGivesNothing)
{
    EXPECT_FALSE (parse (u"").has_value());
    EXPECT_FALSE (parseRegistryValue (u"").has_value());
    EXPECT_FALSE (comPortNumber (nullptr, 0).has_value());
    EXPECT_FALSE (comPortNumber (nullptr, 512).has_value());
}

TEST (ComPortName, TextEndsAtTerminator)
{
    // Whatever follows the terminator in the buffer is not part of the name.
    EXPECT_FALSE (parse (std::u16string (u"COM\0"
                                         u"5",
                                         5))
                      .has_value());
    EXPECT_EQ (parse (std::u16string (u"COM2\0"
                                      u"9",
                                      6)),
               2);
}

TEST (ComPortName, NeverReadsPastTheGivenLength)
{
    const auto bytes = utf16le (u"COM1234");

    EXPECT_EQ (comPortNumber (bytes.data(), 8), 1);
    EXPECT_EQ (comPortNumber (bytes.data(), 10), 12);
    EXPECT_FALSE (comPortNumber (bytes.data(), 6).has_value());
    EXPECT_FALSE (comPortNumber (bytes.data(), 0).has_value());

    // Odd lengths: the half character at the end does not count.
    EXPECT_EQ (comPortNumber (bytes.data(), 9), 1);
    EXPECT_EQ (comPortNumber (bytes.data(), 11), 12);
    EXPECT_FALSE (comPortNumber (bytes.data(), 7).has_value());
}

TEST (ComPortName, UnterminatedValueFillingTheBuffer)
{
    // 256 characters, no terminator anywhere: exactly the 512-byte buffer.
    std::u16string digitsThenLetters = u"COM7" + std::u16string (252, u'A');
    ASSERT_EQ (utf16le (digitsThenLetters).size(), 512u);
    EXPECT_EQ (parse (digitsThenLetters), 7);

    std::u16string nameEndingAtBufferEnd = std::u16string (u"COM") + std::u16string (250, u'0') + u"123";
    ASSERT_EQ (utf16le (nameEndingAtBufferEnd).size(), 512u);
    EXPECT_EQ (parse (nameEndingAtBufferEnd), 123);

    std::u16string allDigits = u"COM" + std::u16string (253, u'9');
    EXPECT_FALSE (parse (allDigits).has_value());
}

TEST (ComPortName, NumbersBeyondIntAreSkipped)
{
    EXPECT_EQ (parse (u"COM2147483647"), INT_MAX);
    EXPECT_FALSE (parse (u"COM2147483648").has_value());
    EXPECT_FALSE (parse (u"COM99999999999").has_value());
    EXPECT_FALSE (parse (u"COM4294967297").has_value()); // wraps to 1 in 32 bits
}

TEST (ComPortName, ComparesWholeUtf16Units)
{
    // Units whose low byte alone would read as ASCII letters or digits.
    EXPECT_FALSE (parse (u"\u0143OM1").has_value());
    EXPECT_FALSE (parse (u"C\u014fM1").has_value());
    EXPECT_FALSE (parse (u"COM\u0131").has_value());
    EXPECT_EQ (parse (u"COM2\u0133"), 2);
    // Full-width letters and digits are not what the system names ports with.
    EXPECT_FALSE (parse (u"\uff23\uff2f\uff2d1").has_value());
    EXPECT_FALSE (parse (u"COM\uff11").has_value());
}
