// How the window's handlers and the waveform view reach the tone state: the
// module-level lock-free state of sonavel_pa, or sonavel's locked record.
// Main thread only, all of it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/tone_state.h"
#include "monitor/program_choices.h"
#include "monitor/waveform_frame.h"

namespace sonavel {

class ToneLink {
 public:
  virtual ~ToneLink() = default;
  // The part of a burst start that precedes the relabel and retitle.
  virtual void prepare_burst(int frequency_hz, int attenuation_db) = 0;
  // The part that follows them, which starts the burst playing.
  virtual void commit_burst(int frequency_hz, int attenuation_db) = 0;
  virtual void set_time_window(double seconds) = 0;
  // Fills frame for one draw; copy is room for the visible samples when the
  // state has to be copied out.
  virtual void take_frame(const ProgramChoices& choices, WaveformFrame& frame,
                          WaveformCopy& copy) = 0;
  // Whether a draw now would show something else than the frame taken last:
  // new output while the ring holds a burst's samples (or held them then),
  // or the ring taken up for a new burst. A time window or a burst start is
  // drawn by its own handler.
  virtual bool picture_changed() = 0;

  // A notice about the output for the view, in place of its trace or its
  // message that no tone sounded: why nothing can sound, or that the last
  // tone was cut short. Empty: none. until_next_burst: the next burst start
  // takes it away.
  void set_output_notice(std::string text, bool until_next_burst) {
    notice_ = std::move(text);
    noticeUntilNextBurst_ = until_next_burst;
  }
  const std::string& output_notice() const { return notice_; }

 protected:
  // Each burst start calls this once.
  void burst_committed() {
    if (noticeUntilNextBurst_) notice_.clear();
  }
  const char* notice_or_null() const { return notice_.empty() ? nullptr : notice_.c_str(); }

 private:
  std::string notice_;
  bool noticeUntilNextBurst_ = false;
};

// sonavel_pa: the frequency and factor are set before the relabel, the rest
// after it; the view reads the ring live.
std::shared_ptr<ToneLink> make_module_tone_link();
// sonavel: the whole start after the retitle, in one critical section, and
// then burst_started, if given; the view copies what it draws under the lock.
// Holds a reference to the record.
std::shared_ptr<ToneLink> make_locked_tone_link(ToneStateHolder holder,
                                                std::function<void()> burst_started = {});

}  // namespace sonavel
