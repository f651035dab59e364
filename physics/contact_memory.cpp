#include "physics/contact_memory.h"

namespace {
size_t roundUpPow2(int n) {
    size_t c = 16;
    while (c < static_cast<size_t>(n)) c <<= 1;
    return c;
}
}  // namespace

ContactMemory::ContactMemory(int capacity) : slots_(roundUpPow2(capacity)) {
    for (ContactRecord& r : slots_) r.contact = nullptr;
}

size_t ContactMemory::slotOf(const b2Contact* contact) const {
    uint64_t h = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(contact));
    h ^= h >> 17;
    h *= 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    return static_cast<size_t>(h) & (slots_.size() - 1);
}

ContactRecord* ContactMemory::find(const b2Contact* contact) {
    const size_t mask = slots_.size() - 1;
    for (size_t i = slotOf(contact);; i = (i + 1) & mask) {
        if (slots_[i].contact == contact) return &slots_[i];
        if (slots_[i].contact == nullptr) return nullptr;
    }
}

ContactRecord* ContactMemory::insert(const b2Contact* contact) {
    if (ContactRecord* r = find(contact)) return r;
    if (static_cast<size_t>(count_ + 1) * 2 > slots_.size()) grow();
    const size_t mask = slots_.size() - 1;
    size_t i = slotOf(contact);
    while (slots_[i].contact != nullptr) i = (i + 1) & mask;
    ContactRecord& r = slots_[i];
    r.contact = contact;
    r.manifold.pointCount = 0;
    r.step = 0;
    r.sensor = false;
    ++count_;
    return &r;
}

void ContactMemory::erase(const b2Contact* contact) {
    const size_t mask = slots_.size() - 1;
    size_t i = slotOf(contact);
    while (slots_[i].contact != contact) {
        if (slots_[i].contact == nullptr) return;
        i = (i + 1) & mask;
    }
    // Backward-shift deletion keeps every probe sequence unbroken without tombstones.
    size_t hole = i;
    for (size_t j = (i + 1) & mask; slots_[j].contact != nullptr; j = (j + 1) & mask) {
        const size_t home = slotOf(slots_[j].contact);
        const bool movable = hole <= j ? (home <= hole || home > j) : (home <= hole && home > j);
        if (movable) {
            slots_[hole] = slots_[j];
            hole = j;
        }
    }
    slots_[hole].contact = nullptr;
    --count_;
}

void ContactMemory::grow() {
    std::vector<ContactRecord> old;
    old.swap(slots_);
    slots_.resize(old.size() * 2);
    for (ContactRecord& r : slots_) r.contact = nullptr;
    count_ = 0;
    for (const ContactRecord& r : old) {
        if (r.contact == nullptr) continue;
        ContactRecord* n = insert(r.contact);
        *n = r;
    }
}
