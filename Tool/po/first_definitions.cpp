#include "first_definitions.h"

#include "key_hash.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace vellix {
namespace {

std::size_t table_size(std::size_t expected) {
    std::size_t size = 64;
    while (size < expected * 2) size *= 2;
    return size;
}

}  // namespace

// Reserved memory costs nothing until it is touched, so the reservations may be generous.
FirstDefinitions::FirstDefinitions(std::size_t expected, std::size_t key_bytes)
    : seed_(hash_seed_for(this)), slots_(allocate_slots(table_size(expected))), size_(table_size(expected)) {
    keys_.reserve(expected);
    bytes_.reserve(key_bytes);
}

FirstDefinitions::FirstDefinitions(std::size_t expected, KeyOf key_of)
    : seed_(hash_seed_for(this)), slots_(allocate_slots(table_size(expected))), size_(table_size(expected)), key_of_(std::move(key_of)) {}

FirstDefinitions::~FirstDefinitions() { std::free(slots_); }

// Zeroed slots; a large table is in huge pages, since each lookup lands on a random page.
FirstDefinitions::Slot *FirstDefinitions::allocate_slots(std::size_t size) {
    const std::size_t bytes = size * sizeof(Slot);
    auto *slots = reinterpret_cast<Slot *>(allocate_large_block(bytes));
    if (!slots) throw std::bad_alloc();
    std::memset(static_cast<void *>(slots), 0, bytes);
    return slots;
}

std::size_t FirstDefinitions::hash(std::string_view key) const {
    return static_cast<std::size_t>(hash_key(key.data(), key.size(), seed_));
}

std::string_view FirstDefinitions::key_in(const Slot &slot) const {
    if (key_of_) return key_of_(slot.key_plus_one);
    const Key &known = keys_[slot.key_plus_one - 1];
    return std::string_view(bytes_.data() + known.offset, known.length);
}

std::uint64_t FirstDefinitions::number_in(const Slot &slot) const {
    return key_of_ ? slot.key_plus_one : keys_[slot.key_plus_one - 1].line;
}

std::uint64_t FirstDefinitions::find_or_add(std::string_view key, std::size_t hash, std::uint64_t line) {
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t at = hash & (size_ - 1);; at = (at + 1) & (size_ - 1)) {
        Slot &slot = slots_[at];
        if (slot.key_plus_one == 0) {
            if (key_of_) {
                if (line == 0 || line > UINT32_MAX) throw std::length_error("a borrowed key's number must fit in 32 bits");
                slot = Slot{tag, static_cast<std::uint32_t>(line)};
            } else {
                slot = Slot{tag, static_cast<std::uint32_t>(keys_.size() + 1)};
                keys_.push_back(Key{static_cast<std::uint32_t>(bytes_.size()), static_cast<std::uint32_t>(key.size()), line});
                bytes_.append(key);
            }
            if (++used_ * 2 > size_) grow();
            return 0;
        }
        if (slot.tag == tag && key_in(slot) == key) return number_in(slot);
    }
}

std::uint64_t FirstDefinitions::find(std::string_view key, std::size_t hash) const {
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t at = hash & (size_ - 1);; at = (at + 1) & (size_ - 1)) {
        const Slot &slot = slots_[at];
        if (slot.key_plus_one == 0) return 0;
        if (slot.tag == tag && key_in(slot) == key) return number_in(slot);
    }
}

void FirstDefinitions::prefetch(std::size_t hash) const {
#if defined(__GNUC__)
    __builtin_prefetch(&slots_[hash & (size_ - 1)]);
#else
    (void)hash;
#endif
}

void FirstDefinitions::grow() {
    const std::size_t larger_size = size_ * 2;
    Slot *larger = allocate_slots(larger_size);
    for (std::size_t i = 0; i < size_; ++i) {
        if (slots_[i].key_plus_one == 0) continue;
        const std::size_t key_hash = hash(key_in(slots_[i]));
        std::size_t at = key_hash & (larger_size - 1);
        while (larger[at].key_plus_one != 0) at = (at + 1) & (larger_size - 1);
        larger[at] = Slot{static_cast<std::uint32_t>(key_hash >> 32), slots_[i].key_plus_one};
    }
    std::free(slots_);
    slots_ = larger;
    size_ = larger_size;
}

}  // namespace vellix
