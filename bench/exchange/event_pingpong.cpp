#include "event_pingpong.h"

#include "clock.h"

namespace {
constexpr char kPingName[] = "ZvBenchPing";
constexpr char kPongName[] = "ZvBenchPong";
constexpr char kPongControlName[] = "ZvBenchPongControl";
}  // namespace

int RunPongRole() {
  Control *control = OpenControl(kPongControlName);
  HANDLE ping = OpenEventA(EVENT_ALL_ACCESS, FALSE, kPingName);
  HANDLE pong = OpenEventA(EVENT_ALL_ACCESS, FALSE, kPongName);
  if (!control || !ping || !pong) return 1;
  control->ready = 1;
  for (;;) {
    if (WaitForSingleObject(ping, INFINITE) != WAIT_OBJECT_0 || control->stop) break;
    SetEvent(pong);
  }
  control->done = 1;
  return 0;
}

bool StartPongPartner(PongPartner *partner) {
  partner->control = CreateControl(&partner->controlMapping, kPongControlName);
  partner->ping = CreateEventA(nullptr, FALSE, FALSE, kPingName);
  partner->pong = CreateEventA(nullptr, FALSE, FALSE, kPongName);
  partner->process = StartRole("pong");
  if (!partner->process || !WaitForFlag(&partner->control->ready, 60000)) return false;
  std::vector<double> warmUp;
  return PingPongBatch(partner, 200, &warmUp);
}

bool PingPongBatch(PongPartner *partner, int rounds, std::vector<double> *samples) {
  for (int i = 0; i < rounds; ++i) {
    const double start = NowSeconds();
    SetEvent(partner->ping);
    if (WaitForSingleObject(partner->pong, 2000) != WAIT_OBJECT_0) return false;
    samples->push_back(NowSeconds() - start);
  }
  return true;
}

void StopPongPartner(PongPartner *partner) {
  if (partner->control) {
    partner->control->stop = 1;
    SetEvent(partner->ping);
  }
  EndRole(partner->process, 5000);
  if (partner->ping) CloseHandle(partner->ping);
  if (partner->pong) CloseHandle(partner->pong);
  if (partner->control) UnmapViewOfFile(partner->control);
  if (partner->controlMapping) CloseHandle(partner->controlMapping);
  *partner = PongPartner();
}
