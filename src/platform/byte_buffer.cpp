#include "platform/byte_buffer.h"

#include <sys/mman.h>

#include <cstdlib>
#include <stdexcept>

namespace {
constexpr std::size_t kHugePage = 2u << 20;
}

void* AllocatePixelMemory(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes < kHugePage) return std::malloc(bytes);
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, rounded);
    if (memory) madvise(memory, rounded, MADV_HUGEPAGE);
    return memory;
}

void FreePixelMemory(void* memory, std::size_t) { std::free(memory); }

bool TryResize(ByteBuffer& buffer, std::size_t size) {
    try {
        buffer.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}
