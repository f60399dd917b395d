#include "recording_avifile.h"

#include <cstdio>
#include <map>

#include "avifile_calls.h"
#include "test_support.h"

namespace {

struct Recorder {
  std::vector<std::string> *log;
  RecordingOptions options;
  std::map<std::string, int> occurrences;
  std::map<PAVISTREAM, std::string> streamNames;
  std::map<PAVISTREAM, DWORD> sampleSizes;
  std::map<PAVISTREAM, LONG> chunkCounts;
  std::map<PAVISTREAM, LONG> streamStarts;
  char handles[3];  // addresses for the fake file and stream handles
};
Recorder *recorder;

std::string Pointer(const void *p) {
  return p ? "&" : "null";
}

std::string Utf8(const std::wstring &text) {
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &utf8[0], n, nullptr, nullptr);
  return utf8;
}

// Counts the call and answers the scripted failure at its occurrence.
HRESULT Answer(const std::string &name) {
  const int n = ++recorder->occurrences[name];
  if (name == recorder->options.failCall && n == recorder->options.failOccurrence)
    return recorder->options.failResult;
  return S_OK;
}

std::string StreamName(PAVISTREAM stream) {
  auto found = recorder->streamNames.find(stream);
  return found == recorder->streamNames.end() ? "unknown" : found->second;
}

void WINAPI FileInit() {
  recorder->log->push_back("AVIFileInit()");
}

HRESULT WINAPI FileOpen(PAVIFILE *file, LPCSTR path, UINT mode, LPCLSID handler) {
  char modeText[16];
  std::snprintf(modeText, sizeof modeText, "0x%X", mode);
  recorder->log->push_back("AVIFileOpenA(" + Pointer(file) + ", " + path + ", " + modeText + ", " +
                           Pointer(handler) + ")");
  const HRESULT result = Answer("AVIFileOpenA");
  if (result == S_OK) *file = reinterpret_cast<PAVIFILE>(&recorder->handles[0]);
  return result;
}

HRESULT WINAPI CreateStream(PAVIFILE file, PAVISTREAM *stream, AVISTREAMINFOA *info) {
  const std::string fileName =
      file == reinterpret_cast<PAVIFILE>(&recorder->handles[0]) ? "file" : "unknown";
  recorder->log->push_back("AVIFileCreateStreamA(" + fileName + ", " + Pointer(stream) + ", " +
                           Hex(info, sizeof *info) + ")");
  const HRESULT result = Answer("AVIFileCreateStreamA");
  if (result == S_OK) {
    const size_t index = recorder->streamNames.size() + 1;
    *stream = reinterpret_cast<PAVISTREAM>(&recorder->handles[index]);
    recorder->streamNames[*stream] = "stream" + std::to_string(index);
    recorder->sampleSizes[*stream] = info->dwSampleSize;
  }
  return result;
}

HRESULT WINAPI SetFormat(PAVISTREAM stream, LONG position, LPVOID format, LONG bytes) {
  recorder->log->push_back("AVIStreamSetFormat(" + StreamName(stream) + ", " +
                           std::to_string(position) + ", " + Hex(format, size_t(bytes)) + ", " +
                           std::to_string(bytes) + ")");
  return S_OK;
}

HRESULT WINAPI Write(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bytes,
                     DWORD flags, LONG *samplesWritten, LONG *bytesWritten) {
  std::string data;
  if (recorder->options.labelBuffer) data = recorder->options.labelBuffer(buffer);
  if (!data.empty()) data += ":";
  data += size_t(bytes) <= recorder->options.maxBytesShown ? Hex(buffer, size_t(bytes))
          : buffer                                         ? "(" + std::to_string(bytes) + " bytes)"
                                                           : "null";
  char flagText[16];
  std::snprintf(flagText, sizeof flagText, "0x%lX", static_cast<unsigned long>(flags));
  recorder->log->push_back("AVIStreamWrite(" + StreamName(stream) + ", " + std::to_string(start) +
                           ", " + std::to_string(samples) + ", " + data + ", " +
                           std::to_string(bytes) + ", " + flagText + ", " +
                           Pointer(samplesWritten) + ", " + Pointer(bytesWritten) + ")");
  HRESULT result = Answer("AVIStreamWrite");
  LONG &chunks = recorder->chunkCounts[stream];
  if (result == S_OK && recorder->options.audioLengthInChunks && recorder->sampleSizes[stream]) {
    // Wine's order: an append into an empty stream goes to the stream's
    // start, which any write into an empty stream moves first, refused or not.
    LONG &streamStart = recorder->streamStarts[stream];
    if (start == -1)
      start = chunks == 0 ? streamStart : chunks;
    else if (chunks == 0)
      streamStart = start;
    if (start != chunks) result = AVIERR_UNSUPPORTED;
  }
  if (result == S_OK) ++chunks;
  return result;
}

ULONG WINAPI StreamRelease(PAVISTREAM stream) {
  recorder->log->push_back("AVIStreamRelease(" + StreamName(stream) + ")");
  return 0;
}

ULONG WINAPI FileRelease(PAVIFILE file) {
  recorder->log->push_back(
      std::string("AVIFileRelease(") +
      (file == reinterpret_cast<PAVIFILE>(&recorder->handles[0]) ? "file" : "unknown") + ")");
  return 0;
}

void WINAPI FileExit() {
  recorder->log->push_back("AVIFileExit()");
}

bool MendAudioLength(const char *path, uint32_t frames) {
  recorder->log->push_back(std::string("MendAudioLength(") + path + ", " + std::to_string(frames) +
                           ")");
  return Answer("MendAudioLength") == S_OK;
}

void ShowBox(const char *text) {
  recorder->log->push_back("MessageBox(" + Utf8(FromCodePage932(text)) + ")");
}

}  // namespace

std::string Hex(const void *bytes, size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  const unsigned char *p = static_cast<const unsigned char *>(bytes);
  for (size_t i = 0; i < count; ++i) {
    text += digits[p[i] >> 4];
    text += digits[p[i] & 15];
  }
  return text;
}

RecordingAviFile::RecordingAviFile(std::vector<std::string> *log, const RecordingOptions &options) {
  recorder = new Recorder{log, options, {}, {}, {}, {}, {}, {}};
  aviFileCalls.fileInit = FileInit;
  aviFileCalls.fileOpen = FileOpen;
  aviFileCalls.createStream = CreateStream;
  aviFileCalls.setFormat = SetFormat;
  aviFileCalls.write = Write;
  aviFileCalls.streamRelease = StreamRelease;
  aviFileCalls.fileRelease = FileRelease;
  aviFileCalls.fileExit = FileExit;
  aviFileCalls.mendAudioLength = MendAudioLength;
  aviFileCalls.showWarning = ShowBox;
}

RecordingAviFile::~RecordingAviFile() {
  aviFileCalls = PlatformAviFileCalls();
  delete recorder;
  recorder = nullptr;
}
