#pragma once
// A randomized sweep over DriverProc: mostly the messages the system really
// sends, with null, truncated, absurd and valid arguments, on unconnected
// instances, on connected ones and on driver id 0. Every buffer handed over
// ends at an inaccessible page and is checked after each call.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdint>
#include <vector>

#include "fuzz_fenced_buffer.h"
#include "fuzz_random.h"

class DriverSweep {
 public:
  // `unconnected`, `connected`: instances opened before and while a run serves
  // the region of kRegionWidth x kRegionHeight. The sweep may close connected
  // ones and open new ones; closeAll() ends them all.
  DriverSweep(DRIVERPROC proc, uint32_t seed, std::vector<DWORD_PTR> unconnected,
              std::vector<DWORD_PTR> connected);
  ~DriverSweep();

  // Runs `iterations` calls; stops early after a number of failures.
  void run(int iterations);
  void closeAll();
  int fetchesAnswered() const { return fetchesAnswered_; }

 private:
  void decompress();
  void formatCheck(UINT message);
  void getFormat();
  void getInfo();
  void open();
  void close();
  void driverMessage();
  void stateMessage();
  void otherMessage();

  DWORD_PTR pickInstance(bool *connected);
  LRESULT send(DWORD_PTR id, UINT message, LPARAM lParam1, LPARAM lParam2);
  void describe(const char *format, ...);
  void fail(const char *what);

  DRIVERPROC proc_;
  uint32_t seed_;
  FuzzRandom random_;
  std::vector<DWORD_PTR> unconnected_, connected_;
  FencedBuffer record_, inFormat_, outFormat_, inData_, outData_, info_, open_, state_;
  char case_[900] = "";
  int iteration_ = 0;
  int failures_ = 0;
  int fetchesAnswered_ = 0;
};
