// The interface of an audio output back end: one instance per program run,
// driven from the main thread. Its render side runs on the back end's audio
// thread and fills each buffer from the tone engine, as many samples as the
// buffer has slots, in order.
#pragma once

#include <chrono>
#include <cstdint>

namespace sonavel {

class OutputStream {
 public:
  virtual ~OutputStream() = default;

  // Opens and starts the stream; false when it could not, with everything
  // this call acquired released again and the reason kept or written as the
  // back end says.
  virtual bool open_and_start() = 0;
  // Stops the stream (its last buffers play out) and closes it, if one is
  // open; the library stays initialised.
  virtual void stop_and_close() = 0;
  // Releases the audio library.
  virtual void terminate() = 0;

  // stop_and_close and then terminate, on a thread of their own, waiting at
  // most limit for them: a frozen sound server can hold a stop for minutes.
  // Returns nullptr when all is done, or else the name of the call still
  // waiting; that call still uses this output, so the process must then end
  // without destroying it. Main thread only.
  const char* shut_down_within(std::chrono::milliseconds limit);

  // What the window must tell the person about the output. Main thread.
  // Whether nothing played can be heard now: the server went away, or a
  // restart of the stream failed.
  virtual bool silenced() const { return false; }
  // How many bursts a restart of the stream has cut short so far.
  virtual std::uint64_t bursts_cut() const { return 0; }
  // Right after a burst start, for a back end that hands it to the server at
  // once rather than at the server's next request.
  virtual void send_burst_start() {}

 protected:
  // The library call the shutdown is waiting in, for shut_down_within's
  // answer; nullptr when the back end does not say.
  virtual const char* pending_call() const { return nullptr; }
};

}  // namespace sonavel
