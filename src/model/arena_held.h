#pragma once
#include <memory_resource>
#include <new>

// An object kept, together with everything it allocates, in a memory pool of
// its own. T takes the pool in its constructor, allocates only from it, and its
// destructor does nothing but give that memory back. reset() therefore drops
// the object by releasing the pool in one step, without running T's destructor
// and so without visiting its nodes one by one. Measured with the calendar
// lists of 100,000 entries (BM_TeardownOrganizer100k, processor time): about
// 60 ms to free their scattered nodes one by one, well under 1 ms this way.
template <class T> class ArenaHeld {
  public:
    ArenaHeld() { make(); }
    ArenaHeld(const ArenaHeld&) = delete;
    ArenaHeld& operator=(const ArenaHeld&) = delete;
    // The pool's own destructor releases the object's memory, as reset() does.
    ~ArenaHeld() = default;

    T* operator->() { return obj; }
    const T* operator->() const { return obj; }

    // Replaces the object by a new one made with T(pool).
    void reset() {
        pool.release();
        make();
    }

  private:
    void make() { obj = ::new (pool.allocate(sizeof(T), alignof(T))) T(&pool); }

    std::pmr::unsynchronized_pool_resource pool;
    T* obj = nullptr;
};
