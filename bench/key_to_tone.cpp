// Time from a key press to the first sample of its burst reaching the sink,
// for a program started here in the current X display and sound server (a
// private session: the default sink is a null sink, whose monitor is read in
// blocks of 64 frames, about 1.5 ms). Each press is a real X key event
// (XTEST) on the focused band slider, alternately Page Down and Page Up, made
// when the previous burst has ended, so that its burst begins on silence.
// A null sink holds a new client's first samples back for up to 2 s, so the
// presses begin 2.5 s after the window appears.
// A sample's arrival is taken as the time its block was read, less the
// samples after it in the block; the figure thus includes the recorder's own
// small delay, never less than the truth. PipeWire runs its whole graph at
// the shortest period any stream asks for, and this recorder asks for the
// shortest it grants one (node.latency 236/44100, about 5 ms): the figure
// there is for a graph at that period, not at the program's own.
// Usage: key_to_tone PROGRAM [PRESSES]  (20 by default). Prints one line:
// "presses N median_ms M max_ms X".
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <pulse/simple.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int rate = 44100;
constexpr std::size_t block = 64;

// Reads the sink's monitor and notes, for the first non-zero sample after
// each arming, when it arrived.
class Recorder {
 public:
  bool open() {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, rate, 1};
    const pa_buffer_attr attr{static_cast<std::uint32_t>(-1), 0, 0, 0, block * sizeof(float)};
    int error = 0;
    stream_ = pa_simple_new(nullptr, "key_to_tone", PA_STREAM_RECORD, "nullsink.monitor", "monitor",
                            &spec, nullptr, &attr, &error);
    if (stream_ == nullptr) return false;
    thread_ = std::thread([this] { run(); });
    return true;
  }
  ~Recorder() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (stream_ != nullptr) pa_simple_free(stream_);
  }
  // From now on, the next non-zero sample is the one to time.
  void arm() {
    const std::lock_guard<std::mutex> hold(lock_);
    armed_ = true;
    found_ = false;
  }
  bool found(Clock::time_point& at) {
    const std::lock_guard<std::mutex> hold(lock_);
    at = at_;
    return found_;
  }
  // True when the last 0.3 s held nothing but silence.
  bool quiet() const { return Clock::now() - lastSound_.load() > std::chrono::milliseconds(300); }

 private:
  void run() {
    float samples[block];
    while (!stop_) {
      if (pa_simple_read(stream_, samples, sizeof samples, nullptr) < 0) return;
      const auto now = Clock::now();
      for (std::size_t i = 0; i < block; ++i) {
        if (samples[i] == 0.0f) continue;
        lastSound_ = now;
        const std::lock_guard<std::mutex> hold(lock_);
        if (armed_) {
          armed_ = false;
          found_ = true;
          at_ = now - std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double>((block - 1 - i) / double(rate)));
        }
      }
    }
  }

  pa_simple* stream_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<Clock::time_point> lastSound_{Clock::time_point{}};
  std::mutex lock_;
  bool armed_ = false, found_ = false;
  Clock::time_point at_;
};

// The first top-level window mapped after the program starts.
Window wait_for_window(Display* display, Clock::time_point until) {
  while (Clock::now() < until) {
    while (XPending(display) > 0) {
      XEvent ev;
      XNextEvent(display, &ev);
      if (ev.type == MapNotify && !ev.xmap.override_redirect) return ev.xmap.window;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: key_to_tone PROGRAM [PRESSES]\n");
    return 2;
  }
  const int presses = argc > 2 ? std::atoi(argv[2]) : 20;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "key_to_tone: no display\n");
    return 1;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  Recorder recorder;
  if (!recorder.open()) {
    std::fprintf(stderr, "key_to_tone: cannot read the sink's monitor\n");
    return 1;
  }
  const pid_t child = fork();
  if (child == 0) {
    execlp(argv[1], argv[1], nullptr);
    _exit(127);
  }
  const Window window = wait_for_window(display, Clock::now() + std::chrono::seconds(30));
  if (window == 0) {
    std::fprintf(stderr, "key_to_tone: no window\n");
    kill(child, SIGTERM);
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  XSetInputFocus(display, window, RevertToParent, CurrentTime);
  XSync(display, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  std::vector<double> ms;
  const KeyCode keys[] = {XKeysymToKeycode(display, XK_Page_Down),
                          XKeysymToKeycode(display, XK_Page_Up)};
  for (int p = 0; p < presses; ++p) {
    while (!recorder.quiet()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    recorder.arm();
    XTestFakeKeyEvent(display, keys[p % 2], True, CurrentTime);
    XTestFakeKeyEvent(display, keys[p % 2], False, CurrentTime);
    XFlush(display);
    const auto pressed = Clock::now();
    Clock::time_point heard;
    while (!recorder.found(heard) && Clock::now() - pressed < std::chrono::seconds(2)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (recorder.found(heard)) {
      // The burst's first sample is 0.0; the first non-zero one is its second.
      ms.push_back(std::chrono::duration<double, std::milli>(heard - pressed).count() -
                   1000.0 / rate);
    }
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  XCloseDisplay(display);
  if (ms.empty()) {
    std::fprintf(stderr, "key_to_tone: no burst was heard\n");
    return 1;
  }
  std::sort(ms.begin(), ms.end());
  std::printf("presses %zu median_ms %.1f max_ms %.1f\n", ms.size(), ms[ms.size() / 2], ms.back());
  return 0;
}
