// The hash of a key under a seed: what the library's index and the tools' duplicate-key table use,
// so that keys cannot be made to collide on purpose in either. Inline: lookups spend their time here.
#ifndef VELLIX_KEY_HASH_H
#define VELLIX_KEY_HASH_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vellix {

// 64 x 64 bits multiplied, the halves of the product folded together.
inline std::uint64_t fold_multiply(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
#else
    const std::uint64_t low = a * b;
    return low ^ (low >> 29) ^ ((a >> 32) * (b >> 32));
#endif
}

constexpr std::uint64_t hash_mix_a = 0xA0761D6478BD642Fu;
constexpr std::uint64_t hash_mix_b = 0xE7037ED1A0B428DBu;

// The key's bytes hashed a word at a time, mixed with `seed`: without the seed, keys cannot be made
// to collide on purpose, so that a table stays near-linear to build whatever the keys are.
inline std::uint64_t hash_key(const char *bytes, std::size_t length, std::uint64_t seed) {
    std::uint64_t hash = seed ^ fold_multiply(length ^ hash_mix_a, seed ^ hash_mix_b);
    std::size_t offset = 0;
    for (; length - offset >= 8; offset += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + offset, 8);
        hash = fold_multiply(word ^ hash_mix_a, hash ^ hash_mix_b);
    }
    std::uint64_t tail = 0;
    if (length > offset) std::memcpy(&tail, bytes + offset, length - offset);
    return fold_multiply(tail ^ hash ^ hash_mix_a, seed ^ hash_mix_b ^ length);
}

// A random number from the operating system's random source, drawn once per process and the same
// ever after; 0 where there is none. Safe to call from several threads at once.
std::uint64_t process_random_seed();

// A seed that differs between processes and between tables: the process's random number, mixed
// with the addresses of `table` and of the stack (which alone still differ where address-space
// randomization works, should the random source fail).
inline std::uint64_t hash_seed_for(const void *table) {
    const int on_stack = 0;
    return fold_multiply(reinterpret_cast<std::uintptr_t>(table) ^ process_random_seed() ^ hash_mix_a,
                         reinterpret_cast<std::uintptr_t>(&on_stack) ^ hash_mix_b);
}

}  // namespace vellix

#endif
