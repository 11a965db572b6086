#include "FreedWatch.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace {

FreedWatch* active = nullptr;

// The global allocation and deallocation of the program, replaced here, in
// a unit of their own: nothing inlines them into code that pairs a new with
// a free.
void Deallocate(void* block) noexcept
{
    FreedWatch::Freed(block);
    std::free(block);
}

}

FreedWatch::FreedWatch(std::vector<const void*> addresses) : watched_(std::move(addresses))
{
    active = this;
}

FreedWatch::~FreedWatch()
{
    active = nullptr;
}

void FreedWatch::Freed(const void* address)
{
    if (active) std::erase(active->watched_, address);
}

void* operator new(std::size_t size)
{
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    Deallocate(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    Deallocate(block);
}
