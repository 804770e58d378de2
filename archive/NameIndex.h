// An index of a directory's entries by name, for the duplicate tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Open addressing over (hash, node) pairs: the names stay in the nodes, so the
// index costs 16 bytes a slot and no allocation per entry.
template <class Node>
class NameIndex {
public:
    // The node with this hash for which same(node) holds, or null.
    template <class Same>
    Node* Find(size_t hash, Same same) const
    {
        if (slots_.empty())
            return nullptr;
        for (size_t i = hash & mask(); slots_[i].node; i = (i + 1) & mask())
            if (slots_[i].hash == hash && same(slots_[i].node))
                return slots_[i].node;
        return nullptr;
    }

    void Insert(size_t hash, Node* node)
    {
        if (2 * (count_ + 1) > slots_.size())
            Grow();
        Place(hash, node);
        ++count_;
    }

private:
    struct Slot {
        size_t hash = 0;
        Node* node = nullptr;
    };

    size_t mask() const { return slots_.size() - 1; }

    void Place(size_t hash, Node* node)
    {
        size_t i = hash & mask();
        while (slots_[i].node)
            i = (i + 1) & mask();
        slots_[i] = Slot{hash, node};
    }

    void Grow()
    {
        std::vector<Slot> old(slots_.empty() ? 64 : 2 * slots_.size());
        old.swap(slots_);
        for (const Slot& slot : old)
            if (slot.node)
                Place(slot.hash, slot.node);
    }

    std::vector<Slot> slots_;  // a power of two in size, at most half full
    size_t count_ = 0;
};
