// Readers of the null sink's monitor that tell when the first sound after an
// arming reached the sink. Two ways to read it:
// - PulseArrivalTimer, through the PulseAudio client API in blocks of 64
//   frames (about 1.5 ms). A sample's arrival is the time its block was read,
//   less the samples after it in the block, so the timer's own small delay
//   is counted in: never less than the truth. PipeWire's PulseAudio service
//   would run its whole graph at the period such a small block asks for, not
//   at the program's own, so this one is for PulseAudio.
// - GraphArrivalTimer, a PipeWire stream of the graph itself, asking for a
//   period longer than any program's (node.latency 2048/48000), so that the
//   graph runs at the program's period as on a desktop. Each cycle hands it
//   that cycle's samples with the time the cycle began; a sample's arrival is
//   that time plus its place in the cycle, when a sink with no buffer of its
//   own would play it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <thread>

struct pa_simple;
struct pw_thread_loop;
struct pw_stream;

namespace sonavel_bench {

using Clock = std::chrono::steady_clock;

class ArrivalTimer {
 public:
  virtual ~ArrivalTimer() = default;
  // Starts reading; false if the monitor cannot be read.
  virtual bool open() = 0;
  // From now on, the next non-zero sample is the one to time.
  void arm();
  // When the sample looked for arrived, once it has.
  bool found(Clock::time_point& at);
  // True when the last 0.3 s held nothing but silence.
  bool quiet() const;

 protected:
  // Samples that arrived together; the first of them at first, the others
  // 1/rate apart after it.
  void take(const float* samples, std::size_t n, Clock::time_point first, double rate);

 private:
  std::atomic<Clock::time_point> lastSound_{Clock::time_point{}};
  std::mutex lock_;
  bool armed_ = false, found_ = false;
  Clock::time_point at_;
};

class PulseArrivalTimer : public ArrivalTimer {
 public:
  ~PulseArrivalTimer() override;
  bool open() override;

 private:
  void run();

  pa_simple* stream_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
};

class GraphArrivalTimer : public ArrivalTimer {
 public:
  ~GraphArrivalTimer() override;
  bool open() override;

 private:
  static void on_process(void* self);

  pw_thread_loop* loop_ = nullptr;
  pw_stream* stream_ = nullptr;
};

}  // namespace sonavel_bench
