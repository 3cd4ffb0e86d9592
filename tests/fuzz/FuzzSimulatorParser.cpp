#include "FuzzSupport.h"
#include "engine/ProcessorEngine.h"

#include <cstdlib>

// Any bytes from the line, with the line falling quiet now and then (a zero
// byte followed by 0xFF stands for a pause): the simulator must keep its
// memory and never take more bytes than it was given.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    taviksim::ProcessorEngine engine;
    std::vector<taviksim::Message> completed;
    for (std::size_t i = 0; i < size; ++i)
    {
        if (data[i] == 0 && i + 1 < size && data[i + 1] == 0xFF)
        {
            engine.lineIdle (completed);
            ++i;
            continue;
        }
        engine.receive (data[i], completed);
    }
    if (engine.bytesReceived() > size)
        std::abort();
    return 0;
}
