#pragma once
// A host for driving WriteReferenceAvi in-process: the demo project's audio,
// delivered in the slices the writer asks for, with a script for the unusual
// answers (a short delivery, a null buffer, an abort), and a record of every
// callback.
#include <cstdint>
#include <string>
#include <vector>

#include "host_interface.h"

struct HostScript {
  int32_t abortAtFrame = -1;  // abortRequested answers abortValue from here on
  int32_t abortValue = 1;
  int32_t shortFrame = -1;  // this frame's slice is delivered `shortBy` frames short
  int32_t shortBy = 1;
  int32_t nullFrame = -1;         // this frame's slice comes as a null buffer
  int32_t deliveredOverride = 0;  // nonzero: every delivered count is this
};

// A project of the demo pattern: 2-channel 16-bit audio at 48 kHz.
OutputInfo DemoOutput(int32_t flags, int32_t frameCount, int32_t audioSampleCount,
                      const char *outputPath);

class WriterHost {
 public:
  // `log`, when given, receives one line per callback, in call order.
  WriterHost(const OutputInfo &project, const HostScript &script,
             std::vector<std::string> *log = nullptr);
  ~WriterHost();
  WriterHost(const WriterHost &) = delete;
  WriterHost &operator=(const WriterHost &) = delete;

  OutputInfo *info() { return &info_; }

  struct Delivery {
    int32_t start;
    int32_t count;
    const void *buffer;
  };
  const std::vector<Delivery> &deliveries() const { return deliveries_; }
  // The buffer of the latest delivery, to see whether the writer copied it.
  const void *lastBuffer() const {
    return deliveries_.empty() ? nullptr : deliveries_.back().buffer;
  }
  int fetchAudioCalls() const { return fetchAudioCalls_; }
  int abortCalls() const { return abortCalls_; }
  int progressCalls() const { return progressCalls_; }
  int32_t lastAbortFrame() const { return frame_; }

  // The audio a reader should find: every delivered slice at its own start
  // position, silence where a slice came short.
  std::vector<uint8_t> ExpectedAudio() const;

 private:
  static void *__cdecl FetchAudio(int32_t start, int32_t length, int32_t *delivered);
  static int32_t __cdecl AbortRequested();
  static void __cdecl ReportProgress(int32_t position, int32_t total);
  static void *__cdecl FetchVideo(int32_t frame);

  OutputInfo info_;
  HostScript script_;
  std::vector<std::string> *log_;
  std::vector<Delivery> deliveries_;
  std::vector<int16_t> buffer_;
  int fetchAudioCalls_ = 0;
  int abortCalls_ = 0;
  int progressCalls_ = 0;
  int32_t frame_ = -1;  // the frame of the latest abortRequested call
};
