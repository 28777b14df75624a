#include "engine/portaudio_api.h"

namespace sonavel {

const PortAudioApi& real_portaudio() {
  static const PortAudioApi api{Pa_Initialize, Pa_Terminate,   Pa_OpenDefaultStream, Pa_StartStream,
                                Pa_StopStream, Pa_CloseStream, Pa_GetErrorText};
  return api;
}

}  // namespace sonavel
