#include "test_support.h"

#include <cstdio>

#include "time_scale.h"

namespace {
const char kDriversKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const char kCodecValue[] = "vidc.ZVNR";
}  // namespace

void RemoveStaleCodecRegistration() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriversKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, kCodecValue);
    RegCloseKey(key);
  }
}

bool CodecRegistered() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriversKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  const bool found =
      RegQueryValueExA(key, kCodecValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.find_last_of('\\'));
}

TempFolder::TempFolder() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static LONG counter;
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%szvtest-%lu-%ld", base, GetCurrentProcessId(),
                InterlockedIncrement(&counter));
  CreateDirectoryA(name, nullptr);
  path_ = name;
}

TempFolder::~TempFolder() {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileA(file(data.cFileName).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(path_.c_str());
}

ChildProcess::ChildProcess(const std::string &commandLine, bool captureOutput) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  HANDLE outputWrite = nullptr;
  if (captureOutput) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    CreatePipe(&outputRead_, &outputWrite, &inherit, 1 << 16);
    SetHandleInformation(outputRead_, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputWrite;
    startup.hStdError = outputWrite;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION info = {};
  std::string line = commandLine;
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, captureOutput, 0, nullptr, nullptr,
                     &startup, &info)) {
    process_ = info.hProcess;
    CloseHandle(info.hThread);
  }
  if (outputWrite) CloseHandle(outputWrite);
}

ChildProcess::~ChildProcess() {
  if (process_) {
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) kill();
    CloseHandle(process_);
  }
  if (outputRead_) CloseHandle(outputRead_);
}

bool ChildProcess::wait(DWORD milliseconds) {
  if (!process_) return false;
  if (outputRead_) {
    // Drain the pipe while waiting so that a chatty child never blocks on it.
    const DWORD start = GetTickCount();
    for (;;) {
      output();
      if (WaitForSingleObject(process_, 20) == WAIT_OBJECT_0) break;
      if (GetTickCount() - start > milliseconds) return false;
    }
    output();
  } else if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) {
    return false;
  }
  GetExitCodeProcess(process_, &exitCode_);
  return true;
}

void ChildProcess::kill() {
  if (process_) {
    TerminateProcess(process_, 255);
    WaitForSingleObject(process_, 5000);
  }
}

std::string ChildProcess::output() {
  if (outputRead_) {
    DWORD available = 0;
    while (PeekNamedPipe(outputRead_, nullptr, 0, nullptr, &available, nullptr) && available) {
      char buffer[4096];
      DWORD got = 0;
      if (!ReadFile(outputRead_, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
      output_.append(buffer, got);
    }
  }
  return output_;
}

namespace {
BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
  char className[32];
  GetClassNameA(child, className, sizeof className);
  if (lstrcmpiA(className, "Static") == 0) {
    char text[1024];
    const int n = GetWindowTextA(child, text, sizeof text);
    if (n > 0) reinterpret_cast<std::string *>(param)->assign(text, n);
  }
  return TRUE;
}
}  // namespace

FoundBox WaitForMessageBox(const char *caption, DWORD milliseconds) {
  FoundBox box;
  const DWORD start = GetTickCount();
  do {
    box.window = FindWindowA("#32770", caption);
    if (box.window) {
      // The window exists a moment before its text is set: wait for the text.
      const DWORD found = GetTickCount();
      do {
        EnumChildWindows(box.window, CollectStaticText, LPARAM(&box.text));
        if (!box.text.empty() || !IsWindow(box.window)) break;
        Sleep(10);
      } while (GetTickCount() - found < ScaledWait(5000));
      return box;
    }
    Sleep(20);
  } while (GetTickCount() - start < milliseconds);
  return box;
}

void PressOk(HWND box) {
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

std::wstring FromCodePage932(const std::string &bytes) {
  const int n =
      MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), nullptr, 0);
  std::wstring text(size_t(n), L'\0');
  MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), &text[0], n);
  return text;
}

std::string CodecRegistrationValue() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriversKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return std::string();
  char value[1024] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  std::string result;
  if (RegQueryValueExA(key, kCodecValue, nullptr, &type, reinterpret_cast<BYTE *>(value), &size) ==
      ERROR_SUCCESS)
    result = value;
  RegCloseKey(key);
  return result;
}

std::string UniqueObjectName(const char *prefix) {
  static LONG counter;
  char name[128];
  std::snprintf(name, sizeof name, "%s-%lu-%lu-%ld", prefix, GetCurrentProcessId(), GetTickCount(),
                InterlockedIncrement(&counter));
  return name;
}

std::string ProgramCommand(const char *program) {
  return "\"" + ProgramFolder() + "\\" + program + "\"";
}

BITMAPINFOHEADER MakeFormat(uint32_t compression, int32_t width, int32_t height,
                            uint16_t bitCount) {
  BITMAPINFOHEADER format = {};
  format.biSize = sizeof format;
  format.biWidth = width;
  format.biHeight = height;
  format.biPlanes = 1;
  format.biBitCount = bitCount;
  format.biCompression = compression;
  return format;
}
