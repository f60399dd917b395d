#pragma once
// Buffers whose last byte lies right before an inaccessible page, so that a
// read or write past their end faults at once, with a known pattern in front
// of them that shows a write before their start.
#include <windows.h>

#include <cstddef>
#include <cstdint>

class FencedBuffer {
 public:
  // `capacity`: the largest buffer it will ever be asked to place.
  explicit FencedBuffer(size_t capacity);
  ~FencedBuffer();
  FencedBuffer(const FencedBuffer &) = delete;
  FencedBuffer &operator=(const FencedBuffer &) = delete;

  bool ok() const { return base_ != nullptr; }

  // A buffer of `size` bytes (at most the capacity) ending at the inaccessible
  // page, every byte set to `fill`; the bytes in front get the pattern again.
  uint8_t *place(size_t size, uint8_t fill);
  // Copies `size` bytes in as the buffer's contents (for inputs).
  uint8_t *placeCopy(const void *bytes, size_t size);

  uint8_t *data() const { return start_; }
  size_t size() const { return size_t(end_ - start_); }

  // False when anything wrote in front of the buffer.
  bool frontIntact() const;

 private:
  static constexpr size_t kFront = 256;
  uint8_t *base_ = nullptr;
  uint8_t *end_ = nullptr;  // first byte of the inaccessible page
  uint8_t *start_ = nullptr;
};
