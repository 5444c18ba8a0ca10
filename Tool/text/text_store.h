// Bytes kept for as long as the store lives, at addresses that never change: many small texts (the
// keys and texts of an extraction) cost no allocation each, and sit together in memory.
#ifndef VELLIX_TEXT_STORE_H
#define VELLIX_TEXT_STORE_H

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace vellix {

class TextStore {
public:
    // A copy of `text`, valid until the store goes.
    std::string_view keep(std::string_view text);

private:
    struct Free {
        void operator()(char *block) const;
    };
    std::vector<std::unique_ptr<char, Free>> blocks_;
    char *next_ = nullptr;
    std::size_t left_ = 0;
};

}  // namespace vellix

#endif
