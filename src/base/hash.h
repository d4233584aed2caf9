// SPDX-License-Identifier: MIT
// Hashing: a 64-bit finaliser, the hash of a list of numbers, and a flat
// multimap from 64-bit keys to 32-bit values.
//
//   FlatMultimap index;
//   index.Reset(list.size());
//   index.Insert(HashValues(minterms), position);
//   index.ForEach(HashValues(minterms), [&](std::uint32_t p) { ... });
//
// Mix is the MurmurHash3 64-bit finaliser (every input bit flips each output
// bit with probability about 1/2). FlatMultimap is open addressing with
// linear probing in one array, at a load of at most 1/2: no allocation per
// entry, O(1) expected per insertion and look-up. Invariant: a slot whose
// value is kNoValue is empty, so kNoValue itself cannot be stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qmsop {

// MurmurHash3's 64-bit finaliser.
inline std::uint64_t Mix(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// The hash of a list of numbers, its length and order included. O(n).
inline std::uint64_t HashValues(std::span<const std::uint32_t> values)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ values.size();
    for (const std::uint32_t v : values) {
        h = Mix(h ^ v) + 0x9E3779B97F4A7C15ULL;
    }
    return h;
}

// A hash table from 64-bit keys to 32-bit values (several values may share a
// key), kept between uses so that its room is allocated once.
class FlatMultimap {
public:
    static constexpr std::uint32_t kNoValue = 0xFFFFFFFFu;

    // Empties the table and sizes it for `count` entries. O(count).
    void Reset(std::size_t count)
    {
        std::size_t capacity = 16;
        while (capacity < 2 * count) {
            capacity *= 2;
        }
        slots.assign(capacity, Slot{});
        size = 0;
    }
    // Adds `value` under `key`; `value` must not be kNoValue.
    void Insert(std::uint64_t key, std::uint32_t value)
    {
        if (2 * (size + 1) > slots.size()) {
            Grow();
        }
        Place(key, value);
        ++size;
    }
    // The first value stored under `key`, or kNoValue.
    std::uint32_t Find(std::uint64_t key) const
    {
        for (std::size_t i = Mix(key) & (slots.size() - 1);; i = (i + 1) & (slots.size() - 1)) {
            if (slots[i].value == kNoValue || slots[i].key == key) {
                return slots[i].value;
            }
        }
    }
    // Calls visit(value) for every value stored under `key`.
    template <typename Visit>
    void ForEach(std::uint64_t key, Visit visit) const
    {
        for (std::size_t i = Mix(key) & (slots.size() - 1); slots[i].value != kNoValue;
             i = (i + 1) & (slots.size() - 1)) {
            if (slots[i].key == key) {
                visit(slots[i].value);
            }
        }
    }

private:
    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t value = kNoValue;
    };

    void Place(std::uint64_t key, std::uint32_t value)
    {
        std::size_t i = Mix(key) & (slots.size() - 1);
        while (slots[i].value != kNoValue) {
            i = (i + 1) & (slots.size() - 1);
        }
        slots[i] = {key, value};
    }
    void Grow()
    {
        std::vector<Slot> old(slots.size() * 2);
        old.swap(slots);
        for (const Slot& slot : old) {
            if (slot.value != kNoValue) {
                Place(slot.key, slot.value);
            }
        }
    }

    std::vector<Slot> slots = std::vector<Slot>(16);
    std::size_t size = 0;
};

}  // namespace qmsop
