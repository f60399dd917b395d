#include "stress_worker.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "stress_decoder.h"

namespace {

constexpr int kWrongFramesShown = 20;
// A client that got no image pauses before it asks again, as an application
// that retries would; without a serving run the call may return at once.
constexpr DWORD kPauseAfterNoImageMs = 20;

HANDLE OpenNamedEvent(const std::string &name) {
  return name.empty() ? nullptr : CreateEventA(nullptr, TRUE, FALSE, name.c_str());
}

bool IsSet(HANDLE event) {
  return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

struct Shared {
  const StressOptions *options;
  const StressSource *source;
  HANDLE allArrived;  // unnamed: every thread has tried to open its decompressor
  HANDLE go;          // unnamed: decode (or, with `abandon`, end)
  HANDLE servedEvent;
  HANDLE noImageEvent;
  HANDLE phaseEvent;
  volatile LONG arrived;
  volatile LONG abandon;
  DWORD startTick;
};

struct Thread {
  Shared *shared;
  int index;
  StressThreadResult result;
};

class FramePicker {
 public:
  FramePicker(const StressOptions &options, int index, int32_t frameCount)
      : options_(options),
        next_(size_t(index)),
        random_(options.seed * 1000003u + index),
        frameCount_(frameCount) {}
  // False when the thread's share of the list is used up.
  bool pick(int32_t *frame) {
    if (options_.list.empty()) {
      *frame = int32_t(random_() % uint32_t(frameCount_));
      return true;
    }
    if (next_ >= options_.list.size()) return false;
    *frame = options_.list[next_];
    next_ += size_t(options_.threads);
    return true;
  }

 private:
  const StressOptions &options_;
  size_t next_;
  std::mt19937 random_;
  int32_t frameCount_;
};

void Tally(Thread &thread, FrameOutcome outcome, int32_t frame, int32_t found, bool phase) {
  StressCounts &c = thread.result.counts;
  ++c.requests;
  switch (outcome) {
    case FrameOutcome::Served:
      ++c.served;
      if (phase) ++c.afterPhaseMin;
      if (thread.shared->servedEvent) SetEvent(thread.shared->servedEvent);
      break;
    case FrameOutcome::NoImage:
      ++c.noImage;
      if (thread.shared->noImageEvent) SetEvent(thread.shared->noImageEvent);
      Sleep(kPauseAfterNoImageMs);
      break;
    case FrameOutcome::Wrong:
      if (++c.wrong <= kWrongFramesShown) {
        std::printf("zvstress: thread %d asked for frame %ld and got %ld\n", thread.index,
                    long(frame), long(found));
        std::fflush(stdout);
      }
      break;
    case FrameOutcome::Failed:
      ++c.errors;
      break;
  }
}

void Decode(Thread &thread, StressDecoder &decoder) {
  const StressOptions &options = *thread.shared->options;
  FramePicker picker(options, thread.index, int32_t(thread.shared->source->tokens.size()));
  StressCounts &c = thread.result.counts;
  for (;;) {
    if (options.seconds && GetTickCount() - thread.shared->startTick >= options.seconds * 1000u)
      break;
    int32_t frame;
    if (!picker.pick(&frame)) break;
    const bool phase = IsSet(thread.shared->phaseEvent);
    const DWORD began = GetTickCount();
    int32_t found = -1;
    const FrameOutcome outcome = decoder.decode(frame, &found);
    const int64_t took = int64_t(GetTickCount() - began);
    c.longestMs = std::max(c.longestMs, took);
    if (options.callBoundMs && took > int64_t(options.callBoundMs)) ++c.overBound;
    Tally(thread, outcome, frame, found, phase);
    if (options.servedAfterPhase && c.afterPhaseMin >= options.servedAfterPhase) {
      thread.result.reachedPhase = true;
      break;
    }
  }
}

DWORD WINAPI ThreadMain(void *parameter) {
  Thread &thread = *static_cast<Thread *>(parameter);
  Shared &shared = *thread.shared;
  {
    StressDecoder decoder(*shared.source);
    thread.result.opened = decoder.opened();
    if (InterlockedIncrement(&shared.arrived) == shared.options->threads)
      SetEvent(shared.allArrived);
    WaitForSingleObject(shared.go, INFINITE);
    if (!shared.abandon) Decode(thread, decoder);
  }
  return 0;
}

}  // namespace

std::vector<StressThreadResult> RunStressThreads(const StressOptions &options,
                                                 const StressSource &source,
                                                 bool (*beforeStart)(const StressOptions &,
                                                                     bool allOpened)) {
  Shared shared = {};
  shared.options = &options;
  shared.source = &source;
  shared.allArrived = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  shared.go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  shared.servedEvent = OpenNamedEvent(options.servedEvent);
  shared.noImageEvent = OpenNamedEvent(options.noImageEvent);
  shared.phaseEvent = OpenNamedEvent(options.phaseEvent);

  std::vector<Thread> threads(size_t(options.threads));
  std::vector<HANDLE> handles;
  for (int i = 0; i < options.threads; ++i) {
    threads[size_t(i)] = Thread{&shared, i, {}};
    HANDLE handle = CreateThread(nullptr, 0, &ThreadMain, &threads[size_t(i)], 0, nullptr);
    if (!handle) {
      // Nobody would count this thread in: let the others through at once.
      shared.abandon = 1;
      SetEvent(shared.go);
      break;
    }
    handles.push_back(handle);
  }
  if (!shared.abandon) {
    WaitForSingleObject(shared.allArrived, INFINITE);
    const bool allOpened = std::all_of(threads.begin(), threads.end(),
                                       [](const Thread &t) { return t.result.opened; });
    if (!beforeStart(options, allOpened)) shared.abandon = 1;
    shared.startTick = GetTickCount();
    SetEvent(shared.go);
  }
  for (HANDLE handle : handles) {
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
  }
  for (HANDLE h :
       {shared.allArrived, shared.go, shared.servedEvent, shared.noImageEvent, shared.phaseEvent})
    if (h) CloseHandle(h);
  std::vector<StressThreadResult> results;
  for (const Thread &thread : threads) results.push_back(thread.result);
  if (handles.size() != threads.size()) results.clear();
  return results;
}
