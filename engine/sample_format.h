// Device sample formats and the conversions from the engine's float samples.
// The device output accepts F32, I16 and U16 and refuses every other name.
#pragma once

#include <cstdint>
#include <string>

namespace sonavel {

enum class SampleFormat {
  I8,
  I16,
  I24,
  I32,
  I64,
  U8,
  U16,
  U24,
  U32,
  U64,
  F32,
  F64,
  DsdU8,
  DsdU16,
  DsdU32
};

const char* sample_format_name(SampleFormat format);
bool is_accepted_format(SampleFormat format);
// "Unsupported sample format: " and the name.
std::string unsupported_format_message(SampleFormat format);

// The conversions, in 32-bit float arithmetic. Audio thread; real-time safe.
inline float convert_f32(float s) {
  return s;
}  // not clamped

inline std::int16_t convert_i16(float s) {
  s = s < -1.0f ? -1.0f : (s > 1.0f ? 1.0f : s);
  s *= 32767.0f;
  s = s < -32768.0f ? -32768.0f : (s > 32767.0f ? 32767.0f : s);
  return static_cast<std::int16_t>(s);  // truncates toward zero
}

// 0.0 becomes 32767, not 32768: (0 + 1) * 0.5 * 65535 truncates down.
inline std::uint16_t convert_u16(float s) {
  s = s < -1.0f ? -1.0f : (s > 1.0f ? 1.0f : s);
  s = (s + 1.0f) * 0.5f * 65535.0f;
  s = s < 0.0f ? 0.0f : (s > 65535.0f ? 65535.0f : s);
  return static_cast<std::uint16_t>(s);
}

}  // namespace sonavel
