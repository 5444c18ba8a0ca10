// The hash for the tools' standard-library tables of keys read from input. The standard library's
// own string hash has a fixed seed: keys can be made to collide on purpose, and a table of them
// then takes quadratic time to build. This one is seeded once per process from the system's random
// source, as the library's index is.
#ifndef VELLIX_SEEDED_HASH_H
#define VELLIX_SEEDED_HASH_H

#include "key_hash.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellix {

struct SeededHash {
    std::size_t operator()(std::string_view key) const noexcept {
        return static_cast<std::size_t>(hash_key(key.data(), key.size(), seed()));
    }
    static std::uint64_t seed() {
        static const std::uint64_t value = hash_seed_for(&value);
        return value;
    }
};

}  // namespace vellix

#endif
