// The audio output interface that each program's shell drives from the main
// thread. Each back end has its own open_and_start, since what it needs and
// hands back differ (see FixedFormatOutput and DeviceFormatOutput).
#pragma once

namespace sonavel {

class OutputStream {
 public:
  virtual ~OutputStream() = default;
  // Stops and closes the stream if one is open and forgets it. Main thread.
  virtual void stop_and_close() = 0;
  // Releases the audio library. Main thread.
  virtual void terminate() = 0;
};

}  // namespace sonavel
