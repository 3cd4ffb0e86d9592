#include "FuzzSupport.h"
#include "remote/RemoteMessages.h"

#include <cstdlib>

// What a page sends arrives from the network: any bytes must give a request
// or a refusal with a reason, never a crash; a value let through must be one
// the parameter takes, so its text form is taken again as the same value.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    std::string why;
    const auto request = RemoteMessages::parse (std::string_view ((const char*) data, size), why);
    if (!request)
    {
        if (why.empty())
            std::abort();
        return 0;
    }
    if (const auto* set = std::get_if<RemoteMessages::Set> (&*request))
    {
        const auto text = ParamSpace::format (set->param, set->value);
        const auto again = ParamSpace::parse (set->param, text);
        if (!again || !sameValue (*again, set->value))
            std::abort();
    }
    return 0;
}
