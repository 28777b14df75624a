// Device sample formats, and the codecs that turn the engine's float samples
// into a device's slots. The sound-server output accepts F32, I16 and U16 and
// refuses every other name.
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

// Each codec's encode is the conversion into the device's slot, in 32-bit
// float arithmetic; decode scales a slot back into -1..1 by the same factor,
// so that the history records what the device really receives (a burst too
// quiet for 16 bits is silence there, and shown as such). Audio thread;
// real-time safe.
struct F32Codec {
  using Slot = float;
  static constexpr bool exact = true;                 // the device receives the sample itself
  static Slot encode(float s) noexcept { return s; }  // not clamped
  static float decode(Slot v) noexcept { return v; }
};

struct I16Codec {
  using Slot = std::int16_t;
  static constexpr bool exact = false;
  static Slot encode(float s) noexcept {
    s = s < -1.0f ? -1.0f : (s > 1.0f ? 1.0f : s);
    s *= 32767.0f;
    s = s < -32768.0f ? -32768.0f : (s > 32767.0f ? 32767.0f : s);
    return static_cast<Slot>(s);  // truncates toward zero
  }
  static float decode(Slot v) noexcept { return static_cast<float>(v) / 32767.0f; }
};

// 0.0 becomes 32767, not 32768: (0 + 1) * 0.5 * 65535 truncates down. Its
// decode measures from that code for silence, so silence decodes to 0.0.
struct U16Codec {
  using Slot = std::uint16_t;
  static constexpr bool exact = false;
  static Slot encode(float s) noexcept {
    s = s < -1.0f ? -1.0f : (s > 1.0f ? 1.0f : s);
    s = (s + 1.0f) * 0.5f * 65535.0f;
    s = s < 0.0f ? 0.0f : (s > 65535.0f ? 65535.0f : s);
    return static_cast<Slot>(s);
  }
  static float decode(Slot v) noexcept { return (static_cast<float>(v) - 32767.0f) / 32767.5f; }
};

}  // namespace sonavel
