#include "FuzzSupport.h"
#include "installer/InfFile.h"

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    const auto text = fuzzText (data, size);
    readClassGuid (text);
    readDriverVersion (text);
    return 0;
}
