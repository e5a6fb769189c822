// The nodes that some search thread is searching right now. A parallel search
// shares one BusyNodes among its threads: a thread that comes to a later move
// whose node another thread is in puts that move off until the end of its
// list, so that two threads walking the same tree in the same order split it
// instead of searching the same subtree side by side (the idea of ABDADA,
// without its marks in the table entries). A one-thread search has none.
//
// Layout: Slots words of std::atomic<uint64_t>, each a position key or 0
// (free), a key's slot chosen by its low bits. A thread entering a node deep
// enough takes the slot when it is free and frees it when it leaves; a node
// whose slot another node holds is simply not marked, and a slot's key is
// compared whole, so a mark never stands for another position (but for the
// key's one in 2^64 twin). Relaxed order throughout: a stale answer costs a
// move order, never a value.
#pragma once

#include <atomic>
#include <cstdint>

namespace search {

struct BusyNodes {
    static constexpr int Slots = 1 << 13;
    std::atomic<uint64_t> keys[Slots] = {};

    static int slotOf(uint64_t key) { return int(key & (Slots - 1)); }
    bool has(uint64_t key) const { return key != 0 && keys[slotOf(key)].load(std::memory_order_relaxed) == key; }
    // Takes the key's slot when it is free; true when this caller took it.
    bool enter(uint64_t key) {
        uint64_t free = 0;
        return key != 0 && keys[slotOf(key)].compare_exchange_strong(free, key, std::memory_order_relaxed);
    }
    void leave(uint64_t key) { keys[slotOf(key)].store(0, std::memory_order_relaxed); }
    void clear() {
        for (auto& key : keys) key.store(0, std::memory_order_relaxed);
    }
};

// A node's mark for as long as the node is searched: taken on construction
// (when there is a BusyNodes and the slot is free), given back on destruction.
class BusyMark {
public:
    BusyMark(BusyNodes* busy, uint64_t key) : busy_(busy != nullptr && busy->enter(key) ? busy : nullptr), key_(key) {}
    ~BusyMark() {
        if (busy_ != nullptr) busy_->leave(key_);
    }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    BusyNodes* busy_;
    uint64_t key_;
};

}  // namespace search
