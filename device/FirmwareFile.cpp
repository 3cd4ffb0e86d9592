#include "device/FirmwareFile.h"

#include "common/AskUser.h"
#include "common/FileAccess.h"
#include "common/XmlNesting.h"

#include <string>

namespace
{
constexpr const char* messageTitle = "Tavik";
constexpr const char* parseErrorPrefix = "Unable to parse firmware file due to error: ";
constexpr const char* notFormattedMessage = "This firmware file is not correctly formatted.";
// 65536 numbers take a few hundred kilobytes however they are written; a
// bigger file is not a firmware file and is not read whole.
constexpr size_t largestFirmwareFileBytes = 16 * 1024 * 1024;

bool isSeparator (char c) noexcept
{
    return c == ' ' || c == '\r' || c == '\n';
}

// What C's isspace accepts, and so what "%x" skips before a number.
bool isLeadingSpace (char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int hexValue (char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One token the way "%x" reads it: leading white space, a sign, "0x", then
// as many hex digits as there are; whatever follows is left unread. Only the
// low 8 bits are kept, which wrap-around arithmetic keeps exact.
bool readHexToken (const char* begin, const char* end, std::uint8_t& byte) noexcept
{
    const char* p = begin;
    while (p != end && isLeadingSpace (*p))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';

    bool digits = false;
    if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
    {
        digits = true; // "0x" with nothing after it reads as 0
        p += 2;
    }
    unsigned value = 0;
    for (int d; p != end && (d = hexValue (*p)) >= 0; ++p)
    {
        value = ((value << 4) | unsigned (d)) & 0xFFu;
        digits = true;
    }
    if (!digits)
        return false;
    byte = std::uint8_t (negative ? (0u - value) & 0xFFu : value);
    return true;
}

const juce::XmlElement* childNamed (const juce::XmlElement& parent, const char* name)
{
    for (auto* child : parent.getChildIterator())
        if (child->getTagName().equalsIgnoreCase (name))
            return child;
    return nullptr;
}
} // namespace

bool parseFirmwareCode (const juce::String& code, std::vector<std::uint8_t>& bytes)
{
    const std::string text = code.trim().toStdString();
    std::vector<std::uint8_t> read;
    read.reserve (FirmwareImage::size);

    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end)
    {
        while (p != end && isSeparator (*p))
            ++p;
        if (p == end)
            break;
        const char* tokenEnd = p;
        while (tokenEnd != end && !isSeparator (*tokenEnd))
            ++tokenEnd;
        std::uint8_t byte = 0;
        if (read.size() == (size_t) FirmwareImage::size || !readHexToken (p, tokenEnd, byte))
            return false;
        read.push_back (byte);
        p = tokenEnd;
    }
    if (read.size() != (size_t) FirmwareImage::size)
        return false;
    bytes = std::move (read);
    return true;
}

std::unique_ptr<FirmwareImage> readFirmwareFile (const juce::File& file, AskUser& ask,
                                                 std::atomic<double>* progressTarget)
{
    const auto refuse = [&ask] (const juce::String& message)
    {
        ask.showMessage (messageTitle, message);
        return std::unique_ptr<FirmwareImage>();
    };

    // Parsed from text, so the parser never opens files a document names.
    juce::String text;
    const auto read = FileAccess::readTextFile (file, largestFirmwareFileBytes, text);
    if (read != FileAccess::Read::done)
        return refuse (parseErrorPrefix + FileAccess::describe (read));
    if (!xmlNestingWithinBound (text))
        return refuse (juce::String (parseErrorPrefix) + "elements nested too deeply, or markup that is not read");
    juce::XmlDocument document (text);
    document.setEmptyTextElementsIgnored (false); // white space between comments still separates numbers
    const auto root = document.getDocumentElement();
    if (root == nullptr)
        return refuse (parseErrorPrefix + document.getLastParseError());

    if (!root->getTagName().equalsIgnoreCase ("Orveth_Corporation"))
        return refuse (notFormattedMessage);
    const auto* firmware = childNamed (*root, "Tavik_Firmware");
    if (firmware == nullptr)
        return refuse (notFormattedMessage);
    const auto* version = childNamed (*firmware, "Version");
    const auto* code = childNamed (*firmware, "Code");
    if (version == nullptr || code == nullptr)
        return refuse (notFormattedMessage);

    auto image = std::make_unique<FirmwareImage>();
    if (!parseFirmwareCode (code->getAllSubText(), image->bytes))
        return refuse (notFormattedMessage);
    image->version = version->getAllSubText();
    image->progressTarget = progressTarget;
    return image;
}
