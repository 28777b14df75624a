// The audio part of sonavel_pa's floor: the least a PortAudio client does to
// play as sonavel_pa plays, the default output opened as a float32 mono
// 44100 Hz stream of 256-frame buffers, playing silence. Prints "playing" at
// the first callback, and runs until SIGTERM or SIGINT.
#include <portaudio.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

std::atomic<bool> called{false};

int on_buffer(const void*, void* out, unsigned long frames, const PaStreamCallbackTimeInfo*,
              PaStreamCallbackFlags, void*) {
  std::memset(out, 0, frames * sizeof(float));
  called.store(true);
  return paContinue;
}

}  // namespace

int main() {
  sigset_t ends;
  sigemptyset(&ends);
  sigaddset(&ends, SIGTERM);
  sigaddset(&ends, SIGINT);
  pthread_sigmask(SIG_BLOCK, &ends, nullptr);  // before the library's threads start

  if (Pa_Initialize() != paNoError) return 1;
  PaStream* stream = nullptr;
  if (Pa_OpenDefaultStream(&stream, 0, 1, paFloat32, 44100, 256, on_buffer, nullptr) !=
          paNoError ||
      Pa_StartStream(stream) != paNoError) {
    return 1;
  }
  while (!called.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::printf("playing\n");
  std::fflush(stdout);
  int sig = 0;
  sigwait(&ends, &sig);
  Pa_StopStream(stream);
  Pa_CloseStream(stream);
  Pa_Terminate();
  return 0;
}
