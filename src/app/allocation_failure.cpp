// The program's allocation functions: exhausted memory is a fatal error whose message names
// the size that could not be had, which only the allocation function knows.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "text/fatal_error.h"

namespace {

void* Allocate(std::size_t size) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* memory = std::malloc(size)) return memory;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) seo::RaiseFatalError(seo::OutOfMemoryError(size));
        handler();
    }
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    const auto align = static_cast<std::size_t>(alignment);
    if (size == 0) size = 1;
    for (;;) {
        void* memory = nullptr;
        if (::posix_memalign(&memory, std::max(align, sizeof(void*)), size) == 0) return memory;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) seo::RaiseFatalError(seo::OutOfMemoryError(size));
        handler();
    }
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }

// Callers of the non-throwing forms check for null themselves.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    void* memory = nullptr;
    const auto align = std::max(static_cast<std::size_t>(alignment), sizeof(void*));
    return ::posix_memalign(&memory, align, size ? size : 1) == 0 ? memory : nullptr;
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t& tag) noexcept {
    return operator new(size, alignment, tag);
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }
