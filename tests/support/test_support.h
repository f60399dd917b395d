#pragma once
// Helpers shared by the test programs: temporary folders, child processes,
// message boxes and the codec registration, all through the platform's calls.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Deletes a leftover vidc.ZVNR registration of the prefix, if any.
void RemoveStaleCodecRegistration();

// True when the prefix's driver registry holds vidc.ZVNR.
bool CodecRegistered();

// The folder of the running test program (where the build puts every binary).
std::string ProgramFolder();

// A fresh folder under the temporary directory, removed with its files on
// destruction.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;
  const std::string &path() const { return path_; }
  std::string file(const std::string &name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// A child process started from a command line; killed on destruction if it
// still runs.
class ChildProcess {
 public:
  explicit ChildProcess(const std::string &commandLine, bool captureOutput = false);
  ~ChildProcess();
  ChildProcess(const ChildProcess &) = delete;
  ChildProcess &operator=(const ChildProcess &) = delete;
  bool started() const { return process_ != nullptr; }
  // Waits for the end; returns false on time-out. exitCode() is valid after true.
  bool wait(DWORD milliseconds);
  DWORD exitCode() const { return exitCode_; }
  void kill();
  HANDLE handle() const { return process_; }
  // Everything the child wrote to stdout and stderr so far (captureOutput only).
  std::string output();

 private:
  HANDLE process_ = nullptr;
  HANDLE outputRead_ = nullptr;
  DWORD exitCode_ = STILL_ACTIVE;
  std::string output_;
};

// A top-level window with this caption, text of its static control and its
// dismissal: how a test sees and answers a message box.
struct FoundBox {
  HWND window = nullptr;
  std::string text;  // as the box shows it, in the ANSI code page
};
FoundBox WaitForMessageBox(const char *caption, DWORD milliseconds);
void PressOk(HWND box);

// A 40-byte bitmap header without colour table, as formats are passed to a codec.
BITMAPINFOHEADER MakeFormat(uint32_t compression, int32_t width, int32_t height,
                            uint16_t bitCount = 24);

// Converts code page 932 bytes to UTF-16 (to compare texts with Japanese literals).
std::wstring FromCodePage932(const std::string &bytes);

// The file name registered under vidc.ZVNR in the prefix's driver registry;
// empty when there is none.
std::string CodecRegistrationValue();

// A name for a kernel object that no other test program or run uses.
std::string UniqueObjectName(const char *prefix);

// Quotes a program in the test program's folder for a command line.
std::string ProgramCommand(const char *program);
