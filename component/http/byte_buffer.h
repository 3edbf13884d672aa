#pragma once
// The growable buffer in which the HTTP client collects a reply. It starts with room for 10
// bytes and doubles its capacity whenever an append would not leave room for a terminating NUL,
// so its content can always be read as a NUL-terminated text.
#include <cstddef>

class ByteBuffer {
public:
    // Allocates as std::realloc does; the memory is released with std::free. Tests hand in
    // one that fails to model running out of memory.
    using Reallocator = void* (*)(void*, std::size_t);

    explicit ByteBuffer(Reallocator reallocate = nullptr);
    ~ByteBuffer();
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // Both return false and leave the content as it was when the buffer cannot grow.
    bool AppendByte(char byte);
    bool Append(const char* bytes, std::size_t count);

    // The content followed by a NUL; "" when nothing could ever be allocated.
    const char* Text() const { return start_ ? start_ : ""; }
    std::size_t Size() const { return static_cast<std::size_t>(end_ - start_); }
    std::size_t Capacity() const { return capacity_; }

private:
    bool GrowFor(std::size_t count);

    Reallocator reallocate_;
    char* start_ = nullptr;
    char* end_ = nullptr;
    std::size_t capacity_ = 0;
};
