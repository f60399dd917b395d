#include "fuzz_fenced_buffer.h"

#include <cstring>

namespace {

size_t PageSize() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

uint8_t FrontByte(size_t distance) {
  return uint8_t(0xC5 ^ distance * 37);
}

}  // namespace

FencedBuffer::FencedBuffer(size_t capacity) {
  const size_t page = PageSize();
  const size_t usable = (capacity + kFront + page - 1) / page * page;
  base_ = static_cast<uint8_t *>(
      VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!base_) return;
  DWORD old;
  if (!VirtualProtect(base_ + usable, page, PAGE_NOACCESS, &old)) {
    VirtualFree(base_, 0, MEM_RELEASE);
    base_ = nullptr;
    return;
  }
  end_ = base_ + usable;
  place(0, 0);
}

FencedBuffer::~FencedBuffer() {
  if (base_) VirtualFree(base_, 0, MEM_RELEASE);
}

uint8_t *FencedBuffer::place(size_t size, uint8_t fill) {
  start_ = end_ - size;
  std::memset(start_, fill, size);
  for (size_t distance = 1; distance <= kFront; ++distance)
    start_[-ptrdiff_t(distance)] = FrontByte(distance);
  return start_;
}

uint8_t *FencedBuffer::placeCopy(const void *bytes, size_t size) {
  place(size, 0);
  if (size) std::memcpy(start_, bytes, size);
  return start_;
}

bool FencedBuffer::frontIntact() const {
  for (size_t distance = 1; distance <= kFront; ++distance)
    if (start_[-ptrdiff_t(distance)] != FrontByte(distance)) return false;
  return true;
}
