#include "installer/InfFile.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
juce::int64 version (const juce::String& numbers)
{
    return parseDriverVersion ("DriverVer=01/13/2014," + numbers);
}
} // namespace

TEST (DriverVersion, ShippedPackageVersions)
{
    EXPECT_EQ (2082400, parseDriverVersion ("DriverVer=08/27/2012,2.08.24"));
    EXPECT_EQ (2100000, parseDriverVersion ("DriverVer=01/13/2014,2.10.0.0"));
    EXPECT_EQ (2040604, parseDriverVersion ("DriverVer=05/16/2008,2.04.06.4"));
}

TEST (DriverVersion, FieldsAboveNinetyNineCarryIntoTheNextOne)
{
    EXPECT_EQ (2090000, version ("2.8.100"));
    EXPECT_EQ (version ("2.9.0"), version ("2.8.100"));
    EXPECT_EQ (3000000, version ("2.99.99.100"));
}

TEST (DriverVersion, FieldsAreReadAsLeadingDecimalDigits)
{
    EXPECT_EQ (2100000, version (" 2. 10"));
    EXPECT_EQ (2000000, version ("2"));
    EXPECT_EQ (2000300, version ("2..3"));
    EXPECT_EQ (2010300, version ("2.1a.3"));
    EXPECT_EQ (1020304, version ("1.2.3.4.5"));
    EXPECT_EQ (20000, version ("-1.2")); // a sign is not a digit
    EXPECT_EQ (2082400, version ("2.08.24 ; bus driver"));
    EXPECT_EQ (0, version (""));
}

TEST (DriverVersion, NumbersAfterTheLastCommaOnly)
{
    EXPECT_EQ (2100000, parseDriverVersion ("DriverVer=01/13/2014,1.0,2.10.0.0"));
    EXPECT_EQ (0, parseDriverVersion ("DriverVer=2.10.0.0"));
    EXPECT_EQ (0, parseDriverVersion ({}));
}

TEST (DriverVersion, NumbersPastTheIntRangeKeepTheirValue)
{
    constexpr juce::int64 fieldMost = std::numeric_limits<int>::max();
    EXPECT_EQ (2147483647, version ("2147.48.36.47"));
    EXPECT_EQ (2147483648LL, version ("2147.48.36.48"));
    EXPECT_EQ (4294LL * 1000000 + 967296LL * 10000, version ("4294.967296"));
    // A field too long for an int saturates rather than wrapping round.
    EXPECT_EQ (fieldMost, version ("0.0.0.99999999999999999999999999999"));
    EXPECT_EQ (fieldMost * 1000000 + 90909, version (juce::String::repeatedString ("9", 100000) + ".9.9.9"));
}

TEST (InfLines, KeyMustStartTheLineExactly)
{
    const juce::String text = "[Version]\r\n"
                              " DriverVer=01/01/2001,9.0.0.0\r\n"
                              "DriverVer =01/01/2001,8.0.0.0\r\n"
                              "driverver=01/01/2001,7.0.0.0\r\n"
                              "ClassGuid={lower}\r\n"
                              "; DriverVer=01/01/2001,6.0.0.0\r\n";
    EXPECT_EQ (0, readDriverVersion (text));
    EXPECT_EQ (juce::String (""), readClassGuid (text));

    const auto withReal = text + "DriverVer=08/27/2012,2.08.24\r\nDriverVer=08/27/2015,3.0\r\nClassGUID={Real}\r\n";
    EXPECT_EQ (2082400, readDriverVersion (withReal));
    EXPECT_EQ (juce::String ("{Real}"), readClassGuid (withReal));
}

TEST (InfLines, LineEndsAreCrLfOrLf)
{
    EXPECT_EQ (juce::String ("{G}"), readClassGuid ("A=1\r\nClassGUID={G}\r\nB=2"));
    EXPECT_EQ (juce::String ("{G}"), readClassGuid ("A=1\nClassGUID={G}\nB=2"));
    EXPECT_EQ (juce::String ("{G}"), readClassGuid ("A=1\nClassGUID={G}"));
    EXPECT_EQ (juce::String ("{G}"), readClassGuid ("ClassGUID={G}\r"));
    // A lone CR does not end a line, so the key is not at a line start.
    EXPECT_EQ (juce::String (""), readClassGuid ("A=1\rClassGUID={G}"));
    EXPECT_EQ (juce::String ("DriverVer=x"), findInfLine ("DriverVer=x\r\n", "DriverVer="));
}

TEST (InfLines, ClassGuidIsEverythingAfterTheLastEquals)
{
    EXPECT_EQ (juce::String ("{36FC9E60-C465-11CF-8056-444553540000}"),
               readClassGuid ("ClassGUID={36FC9E60-C465-11CF-8056-444553540000}"));
    EXPECT_EQ (juce::String ("{b}"), readClassGuid ("ClassGUID={a}={b}"));
    EXPECT_EQ (juce::String ("{G} ; ports"), readClassGuid ("ClassGUID={G} ; ports"));
    EXPECT_EQ (juce::String (""), readClassGuid ("ClassGUID="));
    EXPECT_EQ (juce::String (""), readClassGuid ("Class=Ports"));
    // A file read as it is keeps broken UTF-8 (here a lead byte whose
    // continuation is missing); such a line is no text, not a read past its end.
    const char broken[] = "ClassGUID={G}\xf8";
    EXPECT_EQ (juce::String (""), readClassGuid (juce::String::fromUTF8 (broken, (int) sizeof (broken) - 1)));
    // Overlong forms (E0 9D 8D) pass the framework's check; copying the line
    // then ran past its buffer (a fuzz finding, also a seed in tests/fuzz/corpus/inf_file).
    juce::MemoryBlock overlong;
    overlong.loadFromHexString ("436c617373475549443d7769676ce09d8d647769676ce09d8d6442e09d8d646ce09d8d647642e09d8d646c"
                                "e09d8d6476696572e09d8d646ce09d8d647642e09d8d646ce09d3de09d8d646703310000435046");
    EXPECT_EQ (juce::String (""), readClassGuid (overlong.toString()));
}
