#include "byte_buffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kInitialCapacity = 10;

}  // namespace

ByteBuffer::ByteBuffer(Reallocator reallocate) : reallocate_(reallocate ? reallocate : std::realloc)
{
    start_ = static_cast<char*>(reallocate_(nullptr, kInitialCapacity));
    if (!start_)
        return;
    end_ = start_;
    *end_ = '\0';
    capacity_ = kInitialCapacity;
}

ByteBuffer::~ByteBuffer()
{
    std::free(start_);
}

bool ByteBuffer::GrowFor(std::size_t count)
{
    if (!start_)
        return false;
    std::size_t used = Size();
    if (count > std::numeric_limits<std::size_t>::max() - used)
        return false;
    std::size_t capacity = capacity_;
    while (used + count >= capacity) {
        if (capacity > std::numeric_limits<std::size_t>::max() / 2)
            return false;
        capacity *= 2;
    }
    if (capacity == capacity_)
        return true;
    char* grown = static_cast<char*>(reallocate_(start_, capacity));
    if (!grown)
        return false;
    start_ = grown;
    end_ = grown + used;
    capacity_ = capacity;
    return true;
}

bool ByteBuffer::AppendByte(char byte)
{
    return Append(&byte, 1);
}

bool ByteBuffer::Append(const char* bytes, std::size_t count)
{
    if (!GrowFor(count))
        return false;
    if (count)
        std::memcpy(end_, bytes, count);
    end_ += count;
    *end_ = '\0';
    return true;
}
