#include "large_block.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vellix {

char *allocate_large_block(std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // From a quarter of a huge page on, one fault that clears 2 MiB costs less than the 64 or
    // more faults of small pages.
    constexpr std::size_t huge_page = std::size_t{2} << 20;
    if (bytes >= huge_page / 8 && bytes <= SIZE_MAX - huge_page) {
        const std::size_t rounded = (bytes + huge_page - 1) / huge_page * huge_page;
        if (void *block = std::aligned_alloc(huge_page, rounded)) {
            madvise(block, rounded, MADV_HUGEPAGE);  // only advice: small pages work too
            return static_cast<char *>(block);
        }
    }
#endif
    return static_cast<char *>(std::malloc(bytes));
}

}  // namespace vellix
