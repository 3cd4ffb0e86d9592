#include "remote/SecureRandom.h"

#include <windows.h>

#include <bcrypt.h>

namespace SecureRandom
{
bool fill (unsigned char* bytes, std::size_t count)
{
    while (count > 0)
    {
        const ULONG chunk = count > 0x10000000 ? 0x10000000UL : (ULONG) count;
        if (!BCRYPT_SUCCESS (BCryptGenRandom (nullptr, bytes, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
            return false;
        bytes += chunk;
        count -= chunk;
    }
    return true;
}
} // namespace SecureRandom
