#include "audio/output_observer.h"

#include <cmath>

namespace sonavel {

namespace {

constexpr std::chrono::seconds reconnectInterval{1};

OutputFacts facts_of(const pa_sink_info& info) {
  OutputFacts f;
  f.description = info.description != nullptr ? info.description
                  : info.name != nullptr      ? info.name
                                              : "";
  if (info.active_port != nullptr && info.active_port->description != nullptr) {
    f.port = info.active_port->description;
  }
  const char* format = pa_sample_format_to_string(info.sample_spec.format);
  f.format = format != nullptr ? format : "an unknown format";
  f.rate = info.sample_spec.rate;
  f.channels = info.sample_spec.channels;
  f.volumePercent =
      static_cast<int>(std::lround(100.0 * pa_cvolume_max(&info.volume) / PA_VOLUME_NORM));
  f.muted = info.mute != 0;
  return f;
}

}  // namespace

OutputObserver::OutputObserver(std::function<std::uint32_t()> stream_index)
    : streamIndex_(std::move(stream_index)), loop_(pa_glib_mainloop_new(nullptr)) {
  connect();
}

OutputObserver::~OutputObserver() {
  disconnect();
}

void OutputObserver::connect() {
  lastConnect_ = std::chrono::steady_clock::now();
  if (loop_ == nullptr) return;
  context_.reset(pa_context_new(pa_glib_mainloop_get_api(loop_.get()), "Sonavel output"));
  if (context_ == nullptr) return;
  pa_context_set_state_callback(context_.get(), on_context_state, this);
  pa_context_set_subscribe_callback(context_.get(), on_event, this);
  if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    failed_ = true;
  }
}

// Questions still on their way are cancelled with the context, unanswered.
void OutputObserver::disconnect() {
  if (context_ == nullptr) return;
  pa_context_set_state_callback(context_.get(), nullptr, nullptr);
  pa_context_set_subscribe_callback(context_.get(), nullptr, nullptr);
  pa_context_disconnect(context_.get());
  context_.reset();
  asking_ = askAgain_ = failed_ = false;
}

void OutputObserver::keep_connected() {
  if (context_ != nullptr && !failed_) return;
  if (std::chrono::steady_clock::now() - lastConnect_ < reconnectInterval) return;
  disconnect();
  connect();
}

// One question at a time: the stream's sink, or the default sink without a
// stream. A change while it is asked asks again once it is answered.
void OutputObserver::ask() {
  if (asking_) {
    askAgain_ = true;
    return;
  }
  pa_context* c = context_.get();
  const std::uint32_t stream = streamIndex_();
  pa_operation* op = nullptr;
  if (stream != PA_INVALID_INDEX) {
    op = pa_context_get_sink_input_info(
        c, stream,
        [](pa_context* c, const pa_sink_input_info* info, int eol, void* self) {
          auto* o = static_cast<OutputObserver*>(self);
          if (info != nullptr) {
            if (pa_operation* sink = pa_context_get_sink_info_by_index(
                    c, info->sink,
                    [](pa_context*, const pa_sink_info* info, int, void* self) {
                      if (info != nullptr) static_cast<OutputObserver*>(self)->answered(info);
                    },
                    o)) {
              pa_operation_unref(sink);
            }
          }
          if (eol != 0) o->answered(nullptr);
        },
        this);
  } else {
    op = pa_context_get_sink_info_by_name(
        c, "@DEFAULT_SINK@",
        [](pa_context*, const pa_sink_info* info, int eol, void* self) {
          auto* o = static_cast<OutputObserver*>(self);
          if (info != nullptr) o->answered(info);
          if (eol != 0) o->answered(nullptr);
        },
        this);
  }
  if (op == nullptr) return;
  pa_operation_unref(op);
  asking_ = true;
}

// A sink's description arrives (info), or a question has been answered
// (null). The sink's answer follows the stream's on the same connection, so
// it arrives before any later question is asked.
void OutputObserver::answered(const pa_sink_info* info) {
  if (info != nullptr) {
    facts_ = facts_of(*info);
    return;
  }
  asking_ = false;
  if (askAgain_) {
    askAgain_ = false;
    ask();
  }
}

void OutputObserver::on_context_state(pa_context* c, void* self) {
  auto* o = static_cast<OutputObserver*>(self);
  const pa_context_state_t state = pa_context_get_state(c);
  if (state == PA_CONTEXT_READY) {
    const auto mask = static_cast<pa_subscription_mask_t>(
        PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SINK_INPUT | PA_SUBSCRIPTION_MASK_SERVER);
    if (pa_operation* op = pa_context_subscribe(c, mask, nullptr, nullptr)) pa_operation_unref(op);
    o->ask();
  } else if (!PA_CONTEXT_IS_GOOD(state)) {
    o->facts_.reset();
    o->failed_ = true;  // keep_connected connects again, outside the library's call
  }
}

void OutputObserver::on_event(pa_context*, pa_subscription_event_type_t, std::uint32_t,
                              void* self) {
  static_cast<OutputObserver*>(self)->ask();
}

}  // namespace sonavel
