#pragma once
// Mends the audio stream's length in a closed AVI file.
#include <cstdint>

// Some AVIFile implementations (Wine's) store an audio stream's length as the
// number of chunks written rather than sample frames, so that their own
// readers, and every program reading through them, stop after that many
// sample frames. This rewrites the dwLength field of the file's first audio
// stream header to `frames`, with plain file I/O, leaving every other byte as
// it is. False when the file cannot be opened, read or written, or holds no
// such header within its first bytes; the file is then left unchanged.
bool MendAudioLength(const char *path, uint32_t frames);
