#include "audio/sample_format.h"

namespace sonavel {

const char* sample_format_name(SampleFormat format) {
  static constexpr const char* names[] = {"I8",  "I16", "I24",   "I32",    "I64",
                                          "U8",  "U16", "U24",   "U32",    "U64",
                                          "F32", "F64", "DsdU8", "DsdU16", "DsdU32"};
  return names[static_cast<int>(format)];
}

bool is_accepted_format(SampleFormat format) {
  return format == SampleFormat::F32 || format == SampleFormat::I16 || format == SampleFormat::U16;
}

std::string unsupported_format_message(SampleFormat format) {
  return std::string("Unsupported sample format: ") + sample_format_name(format);
}

}  // namespace sonavel
