// Byte buffers for pixel data and whole files.
//
// Large buffers (2 MiB and up) are 2 MiB-aligned and advised to use transparent huge pages:
// on our target machines the first touch of a 64 MiB image costs ~210 ms with 4 KiB pages and
// ~6 ms with huge pages. Growing a buffer leaves the new bytes uninitialised (default-init),
// so decoders write each byte once instead of after a zero fill.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

void* AllocatePixelMemory(std::size_t bytes);  // nullptr on failure
void FreePixelMemory(void* memory, std::size_t bytes);

template <typename T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <typename U>
    PixelAllocator(const PixelAllocator<U>&) {}

    T* allocate(std::size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        void* memory = AllocatePixelMemory(n * sizeof(T));
        if (!memory) throw std::bad_alloc();
        return static_cast<T*>(memory);
    }
    void deallocate(T* p, std::size_t n) { FreePixelMemory(p, n * sizeof(T)); }

    // Default-initialise on resize(): no zero fill of memory that is about to be overwritten.
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <typename U>
    bool operator==(const PixelAllocator<U>&) const { return true; }
};

/// The byte array type for file contents, pixel buffers and RGBE arrays.
using ByteBuffer = std::vector<uint8_t, PixelAllocator<uint8_t>>;

/// Resizes without throwing: false when the memory cannot be had (buffer unchanged).
bool TryResize(ByteBuffer& buffer, std::size_t size);
