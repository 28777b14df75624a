// The audio part of sonavel_pa's floor: the least a PortAudio client does to
// play as sonavel_pa plays, the default output opened as a float32 mono
// 44100 Hz stream of 256-frame buffers, playing silence. Prints "playing" at
// the first callback, and runs until SIGTERM or SIGINT.
#include <portaudio.h>

#include <atomic>
#include <cstring>

#include "floor_client.h"

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
  const sigset_t ends = sonavel_bench::block_ending_signals();

  if (Pa_Initialize() != paNoError) return 1;
  PaStream* stream = nullptr;
  if (Pa_OpenDefaultStream(&stream, 0, 1, paFloat32, 44100, 256, on_buffer, nullptr) != paNoError ||
      Pa_StartStream(stream) != paNoError) {
    return 1;
  }
  sonavel_bench::play_until_ended(called, ends);
  Pa_StopStream(stream);
  Pa_CloseStream(stream);
  Pa_Terminate();
  return 0;
}
