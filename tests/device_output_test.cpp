// sonavel's device formats: the mapping from the server's formats, the
// refusals, the three conversions on their edge values, and whole blocks
// rendered in each accepted format.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/device_format_output.h"
#include "engine/sample_format.h"
#include "reference_burst.h"

using namespace sonavel;

namespace {

TEST(Conversions, F32PassesSamplesThroughUnclamped) {
  EXPECT_EQ(convert_f32(0.0f), 0.0f);
  EXPECT_EQ(convert_f32(1.5f), 1.5f);
  EXPECT_EQ(convert_f32(-0.999999f), -0.999999f);
  EXPECT_EQ(convert_f32(1e-30f), 1e-30f);
}

TEST(Conversions, I16ClampsScalesAndTruncatesTowardZero) {
  EXPECT_EQ(convert_i16(0.0f), 0);
  EXPECT_EQ(convert_i16(1.0f), 32767);
  EXPECT_EQ(convert_i16(-1.0f), -32767);
  EXPECT_EQ(convert_i16(7.0f), 32767) << "clamped to 1.0 first";
  EXPECT_EQ(convert_i16(-7.0f), -32767);
  EXPECT_EQ(convert_i16(0.999999f), 32766) << "32766.97 truncates down";
  EXPECT_EQ(convert_i16(-0.999999f), -32766) << "and toward zero below";
  // The smallest magnitude that survives is 1/32767.
  const float smallest = 1.0f / 32767.0f;
  EXPECT_EQ(convert_i16(smallest), 1);
  EXPECT_EQ(convert_i16(-smallest), -1);
  EXPECT_EQ(convert_i16(std::nextafter(smallest, 0.0f)), 0);
  EXPECT_EQ(convert_i16(std::nextafter(-smallest, 0.0f)), 0);
}

TEST(Conversions, U16CentresSilenceAt32767AndTruncates) {
  EXPECT_EQ(convert_u16(0.0f), 32767) << "32767.5 truncates down, not 32768";
  EXPECT_EQ(convert_u16(1.0f), 65535);
  EXPECT_EQ(convert_u16(-1.0f), 0);
  EXPECT_EQ(convert_u16(3.0f), 65535);
  EXPECT_EQ(convert_u16(-3.0f), 0);
  // Smallest survivors: a step up needs (s + 1) * 0.5 * 65535 >= 32768.
  const float up = 1.0f / 65535.0f;
  EXPECT_EQ(convert_u16(up), 32768);
  EXPECT_EQ(convert_u16(up * 0.5f), 32767);
  EXPECT_EQ(convert_u16(-up * 0.5f), 32767);
  EXPECT_EQ(convert_u16(-up * 1.5f), 32766);
}

TEST(SampleFormats, OnlyF32I16AndU16AreAcceptedAndEveryOtherNameIsRefused) {
  const std::pair<SampleFormat, const char*> all[] = {
      {SampleFormat::I8, "I8"},        {SampleFormat::I16, "I16"},
      {SampleFormat::I24, "I24"},      {SampleFormat::I32, "I32"},
      {SampleFormat::I64, "I64"},      {SampleFormat::U8, "U8"},
      {SampleFormat::U16, "U16"},      {SampleFormat::U24, "U24"},
      {SampleFormat::U32, "U32"},      {SampleFormat::U64, "U64"},
      {SampleFormat::F32, "F32"},      {SampleFormat::F64, "F64"},
      {SampleFormat::DsdU8, "DsdU8"},  {SampleFormat::DsdU16, "DsdU16"},
      {SampleFormat::DsdU32, "DsdU32"}};
  int accepted = 0;
  for (const auto& [format, name] : all) {
    EXPECT_STREQ(sample_format_name(format), name);
    if (is_accepted_format(format)) {
      ++accepted;
    } else {
      EXPECT_EQ(unsupported_format_message(format),
                std::string("Unsupported sample format: ") + name);
    }
  }
  EXPECT_EQ(accepted, 3);
  EXPECT_TRUE(is_accepted_format(SampleFormat::F32));
  EXPECT_TRUE(is_accepted_format(SampleFormat::I16));
  EXPECT_TRUE(is_accepted_format(SampleFormat::U16));
}

TEST(SampleFormats, ServerFormatsMapOntoTheNames) {
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_FLOAT32LE), SampleFormat::F32);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_FLOAT32BE), SampleFormat::F32);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_S16LE), SampleFormat::I16);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_S16BE), SampleFormat::I16);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_S24LE), SampleFormat::I24);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_S24_32BE), SampleFormat::I24);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_S32LE), SampleFormat::I32);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_U8), SampleFormat::U8);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_ALAW), SampleFormat::U8);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_ULAW), SampleFormat::U8);
  EXPECT_EQ(sample_format_from_pulse(PA_SAMPLE_INVALID), std::nullopt);
}

TEST(RenderBlock, EachFormatConvertsTheBurstAndItsSilence) {
  const auto ref = sonavel_test::reference_burst(1000, 20);
  auto holder = SharedToneState::create();
  std::vector<std::uint16_t> u16(256);
  DeviceFormatOutput::render_block(*holder, SampleFormat::U16, u16.data(), u16.size());
  for (auto v : u16) ASSERT_EQ(v, 32767) << "U16 silence between bursts";

  start_burst(*holder, 1000, 20);
  std::vector<float> f32(256);
  DeviceFormatOutput::render_block(*holder, SampleFormat::F32, f32.data(), f32.size());
  std::vector<std::int16_t> i16(256);
  DeviceFormatOutput::render_block(*holder, SampleFormat::I16, i16.data(), i16.size());
  DeviceFormatOutput::render_block(*holder, SampleFormat::U16, u16.data(), u16.size());
  for (std::size_t i = 0; i < 256; ++i) {
    ASSERT_EQ(f32[i], ref[i]);
    ASSERT_EQ(i16[i], convert_i16(ref[256 + i]));
    ASSERT_EQ(u16[i], convert_u16(ref[512 + i]));
  }
}

TEST(RenderBlock, QuietBurstsVanishInIntegerFormatsButNotInFloat) {
  // Above about 90.3 dB of attenuation nothing survives in I16; above about
  // 96.3 dB nothing in U16; F32 keeps everything.
  for (int db : {91, 97}) {
    auto holder = SharedToneState::create();
    start_burst(*holder, 1000, db);
    std::vector<std::int16_t> i16(256);
    std::vector<std::uint16_t> u16(256);
    std::vector<float> f32(256);
    bool f32_heard = false;
    for (int block = 0; block < 132300 / 768; ++block) {
      DeviceFormatOutput::render_block(*holder, SampleFormat::I16, i16.data(), 256);
      DeviceFormatOutput::render_block(*holder, SampleFormat::U16, u16.data(), 256);
      DeviceFormatOutput::render_block(*holder, SampleFormat::F32, f32.data(), 256);
      for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(i16[i], 0) << db;
        if (db == 97) {
          ASSERT_EQ(u16[i], 32767) << db;
        }
        f32_heard |= f32[i] != 0.0f;
      }
    }
    EXPECT_TRUE(f32_heard);
  }
}

TEST(RenderBlock, UnusableStateGivesEachFormatsSilence) {
  auto holder = SharedToneState::create();
  start_burst(*holder, 1000, 0);
  try {
    ToneStateGuard guard(*holder);
    throw std::logic_error("failed inside the lock");
  } catch (const std::logic_error&) {
  }
  std::vector<std::uint16_t> u16(256, 1);
  DeviceFormatOutput::render_block(*holder, SampleFormat::U16, u16.data(), u16.size());
  for (auto v : u16) ASSERT_EQ(v, 32767);
  std::vector<std::int16_t> i16(256, 1);
  DeviceFormatOutput::render_block(*holder, SampleFormat::I16, i16.data(), i16.size());
  for (auto v : i16) ASSERT_EQ(v, 0);
}

}  // namespace
