// sonavel's device formats: the codecs on their edge values, the refusal of
// every format but three, and whole blocks rendered in each accepted format,
// checked against expectations computed here, not by the program's codecs.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/device_format_output.h"
#include "audio/sample_format.h"
#include "support/reference_burst.h"

using namespace sonavel;

namespace {

TEST(Codecs, I16ScalesBy32767AndTruncatesTowardZero) {
  EXPECT_EQ(I16Codec::encode(0.0f), 0);
  EXPECT_EQ(I16Codec::encode(1.0f), 32767);
  EXPECT_EQ(I16Codec::encode(-1.0f), -32767);
  EXPECT_EQ(I16Codec::encode(-7.0f), -32767) << "clamped to -1.0 first";
  EXPECT_EQ(I16Codec::encode(0.999999f), 32766) << "32766.97 truncates down";
  EXPECT_EQ(I16Codec::encode(-0.999999f), -32766) << "and toward zero below";
  // The smallest magnitude that survives is 1/32767.
  const float smallest = 1.0f / 32767.0f;
  EXPECT_EQ(I16Codec::encode(smallest), 1);
  EXPECT_EQ(I16Codec::encode(std::nextafter(-smallest, 0.0f)), 0);
}

TEST(Codecs, U16CentresSilenceAt32767) {
  EXPECT_EQ(U16Codec::encode(0.0f), 32767) << "32767.5 truncates down, not 32768";
  EXPECT_EQ(U16Codec::encode(1.0f), 65535);
  EXPECT_EQ(U16Codec::encode(-3.0f), 0);
  EXPECT_EQ(U16Codec::encode(1.0f / 65535.0f), 32768) << "the smallest step up";
  EXPECT_EQ(U16Codec::encode(-1.5f / 65535.0f), 32766);
}

TEST(SampleFormats, OnlyF32I16AndU16AreAccepted) {
  int accepted = 0;
  for (int f = 0; f <= static_cast<int>(SampleFormat::DsdU32); ++f) {
    accepted += is_accepted_format(static_cast<SampleFormat>(f));
  }
  EXPECT_EQ(accepted, 3);
  EXPECT_TRUE(is_accepted_format(SampleFormat::U16));
  EXPECT_EQ(unsupported_format_message(SampleFormat::F64), "Unsupported sample format: F64");
  EXPECT_EQ(unsupported_format_message(SampleFormat::DsdU32), "Unsupported sample format: DsdU32");
}

TEST(RenderBlock, EachFormatCarriesTheBurstAndItsSilence) {
  const auto ref = sonavel_test::reference_burst(1000, 20);
  auto holder = SharedToneState::create();
  std::vector<std::uint16_t> u16(256);
  EXPECT_FALSE(burst_waiting(*holder));
  EXPECT_FALSE(DeviceFormatOutput::render_block(*holder, SampleFormat::U16, u16.data(), 256))
      << "silence is no burst";
  for (auto v : u16) ASSERT_EQ(v, 32767) << "U16 silence between bursts";

  start_burst(*holder, 1000, 20);
  EXPECT_TRUE(burst_waiting(*holder)) << "started, nothing of it rendered yet";
  std::vector<float> f32(256);
  std::vector<std::int16_t> i16(256);
  for (std::size_t block = 0; block < 100; ++block) {
    const std::size_t at = block * 768;
    ASSERT_TRUE(DeviceFormatOutput::render_block(*holder, SampleFormat::F32, f32.data(), 256));
    ASSERT_FALSE(burst_waiting(*holder)) << "its first block is out";
    ASSERT_TRUE(DeviceFormatOutput::render_block(*holder, SampleFormat::I16, i16.data(), 256));
    ASSERT_TRUE(DeviceFormatOutput::render_block(*holder, SampleFormat::U16, u16.data(), 256));
    for (std::size_t i = 0; i < 256; ++i) {
      ASSERT_EQ(f32[i], ref[at + i]);
      ASSERT_EQ(i16[i], static_cast<std::int16_t>(ref[at + 256 + i] * 32767.0f));
      ASSERT_EQ(u16[i], static_cast<std::uint16_t>((ref[at + 512 + i] + 1.0f) * 0.5f * 65535.0f));
    }
  }
}

}  // namespace
