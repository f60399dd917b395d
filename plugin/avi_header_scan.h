#pragma once
// Finds a field in the headers of an AVI file held in memory, for mending a
// header after AVIFile has closed the file.
#include <cstddef>
#include <cstdint>

// The byte offset, within `head`, of the dwLength field of the first audio
// stream header: the first 'strh' chunk of fccType 'auds' inside
// RIFF 'AVI ' / LIST 'hdrl' / LIST 'strl'. -1 when `head` (the first `size`
// bytes of the file, possibly fewer than the whole file) holds no such field
// whole. Every size read from the data is checked against its enclosing
// chunk and against `size`, so damaged or cut-off data never leads past
// the buffer.
int64_t FindAudioLengthField(const uint8_t *head, size_t size);
