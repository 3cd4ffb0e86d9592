#include "FuzzSupport.h"
#include "device/FirmwareFile.h"
#include "support/ScriptedAskUser.h"

#include <cstdlib>

// Either a whole firmware file or only its "Code" text: the reader must
// either give an image of exactly the processor's size or tell the user why not.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    if ((data[0] & 1) == 0)
    {
        std::vector<std::uint8_t> bytes;
        if (parseFirmwareCode (fuzzText (data + 1, size - 1), bytes) &&
            bytes.size() != (std::size_t) FirmwareImage::size)
            std::abort();
        return 0;
    }

    ScriptedAskUser ask;
    auto image = readFirmwareFile (fuzzFile ("f.TavikFirmware", data + 1, size - 1), ask);
    if (image == nullptr ? ask.messages().isEmpty()
                         : (image->bytes.size() != (std::size_t) FirmwareImage::size || !ask.asked.empty()))
        std::abort();
    return 0;
}
