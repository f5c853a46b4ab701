// The pool of row texts.
//
// Blocks are cut from slabs in sizes of 16-byte steps; a dropped block goes
// onto the free list of its size, from where the next text of that size takes
// it. Texts too long for the largest size come from the general heap. Slabs
// are kept for the life of the program: the pool grows to the most row texts
// that were alive at one time and no further.

#include "engine/row_text.h"

#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define VELK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELK_ASAN 1
#endif
#endif
#ifdef VELK_ASAN
#include <sanitizer/asan_interface.h>
// A block on a free list is poisoned, so that a row text used after it was
// dropped is reported as if it came from the heap.
#define POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POISON(p, n) ((void)(p), (void)(n))
#define UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

constexpr std::size_t GRAIN = 16;
constexpr std::size_t CLASSES = 32; // blocks of up to 512 bytes come from the pool
constexpr std::size_t SLAB_BYTES = 64 * 1024;

struct FreeBlock {
    FreeBlock* next;
};

// The pool of one thread. It has no destructor: its slabs outlive it.
struct Pool {
    FreeBlock* free[CLASSES] = {};
    char* next = nullptr; // the unused rest of the newest slab
    char* end = nullptr;
};
thread_local Pool pool;

// Every slab made, so that the memory stays reachable to the end.
std::mutex slabsMutex;
std::vector<void*>* slabs = new std::vector<void*>;

// The size class of a block of the given bytes, CLASSES for the heap.
std::size_t classOf(std::size_t bytes) {
    const std::size_t c = (bytes + GRAIN - 1) / GRAIN;
    return c <= CLASSES ? c - 1 : CLASSES;
}

void* take(std::size_t cls) {
    Pool& p = pool;
    const std::size_t bytes = (cls + 1) * GRAIN;
    if (FreeBlock* f = p.free[cls]) {
        UNPOISON(f, bytes);
        p.free[cls] = f->next;
        return f;
    }
    if (std::size_t(p.end - p.next) < bytes) {
        char* slab = static_cast<char*>(::operator new(SLAB_BYTES));
        {
            std::lock_guard<std::mutex> lock(slabsMutex);
            slabs->push_back(slab);
        }
        POISON(slab, SLAB_BYTES);
        p.next = slab;
        p.end = slab + SLAB_BYTES;
    }
    void* b = p.next;
    p.next += bytes;
    UNPOISON(b, bytes);
    return b;
}

void give(void* b, std::size_t cls) {
    Pool& p = pool;
    FreeBlock* f = static_cast<FreeBlock*>(b);
    f->next = p.free[cls];
    p.free[cls] = f;
    POISON(f, (cls + 1) * GRAIN);
}

} // namespace

RowText::Block* RowText::make(std::string_view s) {
    if (s.empty()) return nullptr;
    const std::size_t bytes = sizeof(Block) + s.size() + 1;
    const std::size_t cls = classOf(bytes);
    void* mem = cls < CLASSES ? take(cls) : ::operator new(bytes);
    Block* b = new (mem) Block{1, s.size()};
    std::memcpy(b->chars(), s.data(), s.size());
    b->chars()[s.size()] = '\0';
    return b;
}

void RowText::destroy(Block* b) {
    const std::size_t cls = classOf(sizeof(Block) + b->size + 1);
    if (cls < CLASSES)
        give(b, cls);
    else
        ::operator delete(b);
}
