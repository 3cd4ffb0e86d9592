// Firmware files: the XML around the image, the numbers of "Code", and what
// the user is told when a file cannot be used.
#include "device/FirmwareFile.h"
#include "support/ScriptedAskUser.h"

#include <gtest/gtest.h>

namespace
{
const juce::String notFormatted = "This firmware file is not correctly formatted.";
const juce::String parsePrefix = "Unable to parse firmware file due to error: ";

// count numbers "00" to "ff" in turn, each followed by one of the separators.
juce::String numbers (int count, const std::vector<std::string>& separators = { " " })
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < count; ++i)
        text.append ({ digits[(i >> 4) & 0xF], digits[i & 0xF] }).append (separators[size_t (i) % separators.size()]);
    return juce::String (text);
}

juce::String document (const juce::String& code, const juce::String& root = "Orveth_Corporation")
{
    return "<?xml version=\"1.0\"?>\n<" + root + "><Other/><Tavik_Firmware><Version>1.3a</Version><Code>" + code +
           "</Code></Tavik_Firmware></" + root + ">";
}

struct FirmwareFile : ::testing::Test
{
    juce::TemporaryFile file{ ".TavikFirmware" };
    ScriptedAskUser ask;

    std::unique_ptr<FirmwareImage> read (const juce::String& text)
    {
        EXPECT_TRUE (file.getFile().replaceWithText (text));
        return readFirmwareFile (file.getFile(), ask);
    }

    // The one message shown, with its title checked.
    juce::String message()
    {
        if (ask.asked.size() != 1)
            return "asked " + juce::String ((int) ask.asked.size()) + " times";
        EXPECT_EQ (ask.asked[0].title, "Tavik");
        const auto text = ask.asked[0].message;
        ask.asked.clear();
        return text;
    }
};
} // namespace

TEST_F (FirmwareFile, ReadsEveryNumberAsPercentXAndKeepsItsLowByte)
{
    // The first four as the same byte written four ways; then any mix of
    // separators, surrounded by white space (tabs too) that is trimmed.
    const auto code = "\n\t ff FF 0x1f 1ff -1 +a 0X \r\n" +
                      numbers (FirmwareImage::size - 7, { " ", "\r\n", "\n\n  ", "\r" }) + " \t\n";
    std::atomic<double> progress{ 0.5 };
    ASSERT_TRUE (file.getFile().replaceWithText (document (code, "oRVETH_corporation")));
    const auto image = readFirmwareFile (file.getFile(), ask, &progress);
    ASSERT_NE (image, nullptr) << ask.messages().joinIntoString ("|");
    EXPECT_TRUE (ask.asked.empty());
    EXPECT_EQ (image->version, "1.3a");
    EXPECT_EQ (image->progressTarget, &progress);
    ASSERT_EQ (image->bytes.size(), size_t (FirmwareImage::size));
    const std::uint8_t first[] = { 0xFF, 0xFF, 0x1F, 0xFF, 0xFF, 0x0A, 0x00 };
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ (image->bytes[i], first[i]) << i;
    for (size_t i = 7; i < image->bytes.size(); ++i)
        ASSERT_EQ (image->bytes[i], (i - 7) & 0xFF) << i;
}

TEST_F (FirmwareFile, RefusesAnyOtherCountAndNumbersWithoutDigits)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE (parseFirmwareCode (numbers (FirmwareImage::size - 1), bytes));
    EXPECT_FALSE (parseFirmwareCode (numbers (FirmwareImage::size + 1), bytes));
    EXPECT_FALSE (parseFirmwareCode ("zz " + numbers (FirmwareImage::size - 1), bytes));
    EXPECT_FALSE (parseFirmwareCode (numbers (FirmwareImage::size - 1) + "-", bytes));
    EXPECT_TRUE (bytes.empty()); // a refused text leaves nothing behind

    // A tab separates nothing: "12\t34" is one number, read as 0x12.
    auto joined = "12\t34 " + numbers (FirmwareImage::size - 1);
    ASSERT_TRUE (parseFirmwareCode (joined, bytes));
    EXPECT_EQ (bytes[0], 0x12);
    EXPECT_EQ (bytes[1], 0x00);
    EXPECT_FALSE (parseFirmwareCode ("12 34 " + numbers (FirmwareImage::size - 1), bytes)); // one too many

    EXPECT_EQ (read (document (numbers (FirmwareImage::size + 1))), nullptr);
    EXPECT_EQ (message(), notFormatted);
    EXPECT_EQ (read (document ("zz" + numbers (FirmwareImage::size).fromFirstOccurrenceOf (" ", true, false))),
               nullptr);
    EXPECT_EQ (message(), notFormatted);
}

TEST_F (FirmwareFile, SaysWhyAFileCannotBeUsed)
{
    const auto code = numbers (FirmwareImage::size);
    const auto parseError = [this] (const juce::String& text)
    {
        EXPECT_EQ (read (text), nullptr);
        const auto shown = message();
        return shown.startsWith (parsePrefix) && shown.length() > parsePrefix.length();
    };
    EXPECT_TRUE (parseError (""));
    EXPECT_TRUE (parseError ("<Orveth_Corporation><Tavik_Firmware>"));
    EXPECT_TRUE (parseError (juce::String ("<a>").repeatedString ("<a>", 100000)));
    EXPECT_EQ (readFirmwareFile (file.getFile().getSiblingFile ("missing.TavikFirmware"), ask), nullptr);
    EXPECT_TRUE (message().startsWith (parsePrefix));

    const juce::String wrongShapes[] = {
        document (code, "Orveth_Corp"),
        "<Orveth_Corporation><Version>1</Version><Code>" + code + "</Code></Orveth_Corporation>",
        "<Orveth_Corporation><Tavik_Firmware><Code>" + code + "</Code></Tavik_Firmware></Orveth_Corporation>",
        "<Orveth_Corporation><Tavik_Firmware><Version>1</Version></Tavik_Firmware></Orveth_Corporation>",
        // Only the first "Tavik_Firmware" counts.
        "<Orveth_Corporation><Tavik_Firmware/><Tavik_Firmware><Version>1</Version><Code>" + code +
            "</Code></Tavik_Firmware></Orveth_Corporation>",
    };
    for (const auto& text : wrongShapes)
    {
        EXPECT_EQ (read (text), nullptr) << text.substring (0, 80);
        EXPECT_EQ (message(), notFormatted) << text.substring (0, 80);
    }

    // The code's text is all the text inside the element, comments and CDATA aside.
    const auto split = "<Orveth_Corporation><Tavik_Firmware><Version>1<!-- x -->.0</Version><Code>" +
                       code.substring (0, 30) + "<![CDATA[" + code.substring (30, 60) + "]]>" + code.substring (60) +
                       "</Code></Tavik_Firmware></Orveth_Corporation>";
    const auto image = read (split);
    ASSERT_NE (image, nullptr) << message();
    EXPECT_EQ (image->version, "1.0");
}
