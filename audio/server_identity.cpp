#include "audio/server_identity.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstring>

#include "audio/c_owners.h"

namespace sonavel {

bool is_pipewire_name(const char* server_name) {
  return server_name != nullptr && std::strstr(server_name, "PipeWire") != nullptr;
}

bool sound_server_is_pipewire() {
  // Declared in this order, so the context goes before its loop.
  const PulsePlainMainloop mainloop(pa_mainloop_new());
  if (mainloop == nullptr) return false;
  pa_mainloop* loop = mainloop.get();
  const PulseContext owned(pa_context_new(pa_mainloop_get_api(loop), "Sonavel"));
  pa_context* context = owned.get();
  struct Answer {
    bool done = false;
    bool pipewire = false;
  } answer;
  if (context != nullptr &&
      pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    bool asked = false;
    while (!answer.done && std::chrono::steady_clock::now() < until) {
      const pa_context_state_t state = pa_context_get_state(context);
      if (!PA_CONTEXT_IS_GOOD(state)) break;
      if (state == PA_CONTEXT_READY && !asked) {
        asked = true;
        pa_operation* op = pa_context_get_server_info(
            context,
            [](pa_context*, const pa_server_info* info, void* a) {
              auto* answer = static_cast<Answer*>(a);
              answer->pipewire = info != nullptr && is_pipewire_name(info->server_name);
              answer->done = true;
            },
            &answer);
        if (op == nullptr) break;
        pa_operation_unref(op);
      }
      pa_mainloop_prepare(loop, 50 * 1000);  // wake at least every 50 ms
      pa_mainloop_poll(loop);
      pa_mainloop_dispatch(loop);
    }
    pa_context_disconnect(context);
  }
  return answer.pipewire;
}

}  // namespace sonavel
