#include "avifile_calls.h"

#include "avi_length_mend.h"
#include "messages.h"

AviFileCalls PlatformAviFileCalls() {
  AviFileCalls calls;
  calls.fileInit = AVIFileInit;
  calls.fileOpen = AVIFileOpenA;
  calls.createStream = AVIFileCreateStreamA;
  calls.setFormat = AVIStreamSetFormat;
  calls.write = AVIStreamWrite;
  calls.streamRelease = AVIStreamRelease;
  calls.fileRelease = AVIFileRelease;
  calls.fileExit = AVIFileExit;
  calls.mendAudioLength = MendAudioLength;
  calls.showWarning = ShowWarning;
  return calls;
}

AviFileCalls aviFileCalls = PlatformAviFileCalls();
