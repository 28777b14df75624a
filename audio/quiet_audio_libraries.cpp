#include "audio/quiet_audio_libraries.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

namespace sonavel {

namespace {

// ALSA's handler is variadic; the message is dropped unformatted.
void drop_alsa_message(const char*, int, const char*, int, const char*, ...) {}
void drop_jack_message(const char*) {}

}  // namespace

void quiet_audio_libraries() {
  snd_lib_error_set_handler(drop_alsa_message);
  jack_set_error_function(drop_jack_message);
  jack_set_info_function(drop_jack_message);
}

}  // namespace sonavel
