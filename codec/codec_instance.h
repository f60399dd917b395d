#pragma once
// One open of the driver. The record holds the handles of the exchange objects
// of a serving output run and nothing else; every message handler is one of its
// operations. The handlers that read nothing of the record are static, so they
// answer alike for every driver id.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

struct CodecInstance {
  HANDLE mapping;
  void *view;
  HANDLE commandEvent;
  HANDLE finishEvent;
  HANDLE mutex;
  // The serving run's guard, when the plug-in that serves has one: it numbers
  // requests and says which frames, of which size, the run serves.
  HANDLE guardMapping;
  void *guardView;

  // Opens the objects by name; an object that does not exist leaves its field
  // null. Never fails.
  CodecInstance();
  ~CodecInstance();
  CodecInstance(const CodecInstance &) = delete;
  CodecInstance &operator=(const CodecInstance &) = delete;

  // True when every handle a frame request needs is present.
  bool connected() const;

  static LRESULT GetInfo(ICINFO *info, DWORD size);
  static LRESULT Configure(LPARAM window);
  static LRESULT About(LPARAM window);

  static LRESULT DecompressQuery(const BITMAPINFOHEADER *input, const BITMAPINFOHEADER *output);
  static LRESULT DecompressGetFormat(const BITMAPINFOHEADER *input, BITMAPINFOHEADER *output);
  static LRESULT DecompressBegin(const BITMAPINFOHEADER *input, const BITMAPINFOHEADER *output);
  static LRESULT DecompressEnd();

  LRESULT Decompress(ICDECOMPRESS *frame, DWORD size) const;
};

// DRV_OPEN: null when the open is for another type than vidc or memory ran out.
CodecInstance *OpenCodecInstance(ICOPEN *open);

// DRV_CLOSE: destroys and frees the instance; returns 1.
LRESULT CloseCodecInstance(CodecInstance *instance);

// Widens a zero-terminated 8-bit text byte by byte and returns the position of
// the 16-bit terminator it stored. The caller provides the room.
WCHAR *CopyToWide(WCHAR *destination, const char *source);

// The codec's name in ICINFO and its About box.
constexpr char kCodecName[] = "Zelvanoor";
constexpr char kAboutCaption[] = "about";
