#include "physics/contact_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace {

// Churns keys through the table, growing it and deleting out of clusters, and
// checks it against a plain set all along.
TEST(ContactMemory, AgreesWithASetUnderChurn) {
    ContactMemory memory(16);
    std::set<uintptr_t> reference;
    uint32_t state = 12345;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 20000; ++round) {
        // Keys spaced like block-allocated contacts, from a small pool so that
        // they collide and come back.
        uintptr_t key = 0x10000 + 64u * (next() % 700u);
        auto* c = reinterpret_cast<const b2Contact*>(key);
        if (next() % 3 == 0) {
            memory.erase(c);
            reference.erase(key);
        } else {
            ContactRecord* r = memory.insert(c);
            ASSERT_NE(r, nullptr);
            r->step = static_cast<uint32_t>(key);
            reference.insert(key);
        }
        if (round % 997 == 0) {
            ASSERT_EQ(memory.size(), static_cast<int>(reference.size()));
            for (uintptr_t k = 0x10000; k < 0x10000 + 64u * 700u; k += 64u) {
                ContactRecord* r = memory.find(reinterpret_cast<const b2Contact*>(k));
                ASSERT_EQ(r != nullptr, reference.count(k) == 1) << k;
                if (r) {
                    ASSERT_EQ(r->step, static_cast<uint32_t>(k));
                }
            }
        }
    }
}

}  // namespace
