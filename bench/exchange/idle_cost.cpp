#include "idle_cost.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "clock.h"
#include "exchange.h"
#include "exchange_objects.h"

namespace {
// Private names: the idle client must not be answered by the idle server.
constexpr char kIdlePrefix[] = "ZvBenchIdle";
}  // namespace

int RunIdleClientRole(int requests) {
  Control *control = OpenControl(kSecondControlName);
  ExchangeObjects objects = OpenExchangeObjects(kIdlePrefix);
  if (!control || !objects.complete()) return 1;
  std::vector<uint8_t> output(4);
  RoleReport &report = control->report;
  const double cpuStart = ProcessCpuSeconds(GetCurrentProcess());
  const double wallStart = NowSeconds();
  control->ready = 1;
  for (int32_t token = 0; token < requests; ++token) {
    RequestFrame(objects.view, objects.command, objects.finish, objects.mutex, &token,
                 output.data(), 4);
    ++report.frames;
  }
  report.cpuSeconds = ProcessCpuSeconds(GetCurrentProcess()) - cpuStart;
  report.wallSeconds = NowSeconds() - wallStart;
  CloseExchangeObjects(&objects);
  control->done = 1;
  return 0;
}

IdleRun MeasureIdle(double seconds) {
  IdleRun run;
  HANDLE serverMapping, clientMapping;
  Control *server = CreateControl(&serverMapping);
  Control *client = CreateControl(&clientMapping, kSecondControlName);
  // The objects of a client whose server has gone: they exist, nobody serves.
  ExchangeObjects orphaned = CreateExchangeObjects(kIdlePrefix, 1, 1);
  const int requests = int(seconds * 1000 / kClientReplyTimeoutMs + 0.5);
  char arguments[32];
  std::snprintf(arguments, sizeof arguments, "idle-client %d", requests);
  HANDLE serverRole = StartRole("serve 640 360 1");
  HANDLE clientRole = StartRole(arguments);
  const bool ready = serverRole && clientRole && WaitForFlag(&server->ready, 60000) &&
                     WaitForFlag(&client->ready, 60000);
  const double serverCpuStart = ProcessCpuSeconds(serverRole);
  const double clientCpuStart = ProcessCpuSeconds(clientRole);
  if (ready) {
    Sleep(DWORD(seconds * 1000));
    WaitForFlag(&client->done, DWORD(kClientReplyTimeoutMs * 2));
    run.serverCpuSeenByParent = ProcessCpuSeconds(serverRole) - serverCpuStart;
    run.clientCpuSeenByParent = ProcessCpuSeconds(clientRole) - clientCpuStart;
  }
  server->stop = 1;
  WaitForFlag(&server->done, 5000);
  run.server = server->report;
  run.client = client->report;
  EndRole(serverRole, 5000);
  EndRole(clientRole, 5000);
  CloseExchangeObjects(&orphaned);
  UnmapViewOfFile(server);
  UnmapViewOfFile(client);
  CloseHandle(serverMapping);
  CloseHandle(clientMapping);
  return run;
}
