// The process's random seed: getrandom (or /dev/urandom) on Linux, arc4random_buf on the BSDs and
// macOS, rand_s (the system's RtlGenRandom) on Windows.
#ifdef _WIN32
#define _CRT_RAND_S  // declares rand_s
#endif

#include "key_hash.h"

#include <cstdio>
#include <cstdlib>

#if defined(__linux__)
#include <sys/random.h>
#endif

namespace vellix {
namespace {

std::uint64_t draw_random_seed() {
    std::uint64_t seed = 0;
#if defined(_WIN32)
    unsigned int low = 0, high = 0;
    if (rand_s(&low) == 0 && rand_s(&high) == 0) seed = static_cast<std::uint64_t>(high) << 32 | low;
#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__)
    arc4random_buf(&seed, sizeof seed);
#else
#if defined(__linux__)
    if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof seed)) return seed;
#endif
    if (std::FILE *source = std::fopen("/dev/urandom", "rb")) {
        if (std::fread(&seed, 1, sizeof seed, source) != sizeof seed) seed = 0;
        std::fclose(source);
    }
#endif
    return seed;
}

}  // namespace

std::uint64_t process_random_seed() {
    static const std::uint64_t seed = draw_random_seed();  // drawn once; initialization is thread-safe
    return seed;
}

}  // namespace vellix
