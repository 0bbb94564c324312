#include "app/FreedMemory.h"

#include <cstddef>
#include <cstdlib> // defines __GLIBC__ on glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace quorvin {

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    // Handing back a few hundred kilobytes only to fault them in again at the next refresh costs more than it
    // saves; what a refresh of thousands of processes frees is worth it.
    constexpr std::size_t WorthTrimming = 2 * 1024 * 1024;
    if (::mallinfo2().fordblks >= WorthTrimming)
        ::malloc_trim(0);
#endif
}

} // namespace quorvin
