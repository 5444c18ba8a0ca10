#include "text_store.h"

#include "input_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vellix {

void TextStore::Free::operator()(char *block) const { std::free(block); }

std::string_view TextStore::keep(std::string_view text) {
    if (text.empty()) return std::string_view();
    if (text.size() > left_) {
        // Blocks of 2 MiB, a huge page where the system has them: one page fault each.
        const std::size_t size = std::max<std::size_t>(text.size(), std::size_t{2} << 20);
        char *block = allocate_large_block(size);
        if (!block) throw std::bad_alloc();
        blocks_.emplace_back(block);
        next_ = block;
        left_ = size;
    }
    char *kept = next_;
    std::memcpy(kept, text.data(), text.size());
    next_ += text.size();
    left_ -= text.size();
    return std::string_view(kept, text.size());
}

}  // namespace vellix
