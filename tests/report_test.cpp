// The saved levels: the table's exact text, the audiogram as a picture, an
// SVG and a PDF that their readers accept, and a save that fails leaving
// nothing behind and naming the reason.
#include <gtest/gtest.h>

#include <cairo.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "engine/cairo_owners.h"
#include "report/report_file.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/waits.h"

using namespace sonavel;
using namespace sonavel_test;

namespace {

// 1000 Hz at -57 dB, 25 Hz at -0 dB and 16 kHz at -120 dB set; band 20
// moved back to where it started, still counted as set.
BandLevels known_levels() {
  BandLevels levels;
  levels.attenuationDb.fill(40);
  for (const auto& [band, db] : {std::pair{16, 57}, {0, 0}, {32, 120}, {20, 40}}) {
    levels.attenuationDb[band] = db;
    levels.set[band] = true;
  }
  return levels;
}

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path());
  return names;
}

TEST(SavedLevels, TableIsOneRowPerBandInBandOrder) {
  TempDir dir;
  ASSERT_EQ(save_levels(dir / "levels.csv", ReportType::Csv, known_levels(), "t"), "");
  const std::string csv = slurp(dir / "levels.csv");
  const std::string head = "frequency_hz,level_dbfs,set\r\n25,0,yes\r\n31,-40,no\r\n";
  EXPECT_EQ(csv.substr(0, head.size()), head);
  EXPECT_NE(csv.find("\r\n800,-40,no\r\n1000,-57,yes\r\n1250,-40,no\r\n"), std::string::npos);
  EXPECT_NE(csv.find("\r\n2500,-40,yes\r\n"), std::string::npos);
  EXPECT_EQ(csv.substr(csv.size() - 32), "\r\n12500,-40,no\r\n16000,-120,yes\r\n");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 34);

  // A check whose ears were never chosen apart saves the same table; once
  // one ear has a level of its own, each ear's columns follow.
  CheckLevels check;
  for (BandLevels& ear : check.byEar) ear.attenuationDb.fill(40);
  check.of(Ear::Both) = known_levels();
  ASSERT_EQ(save_levels(dir / "check.csv", ReportType::Csv, check, "t"), "");
  EXPECT_EQ(slurp(dir / "check.csv"), csv);
  EXPECT_FALSE(std::filesystem::exists(dir / "check.output.txt")) << "no output known, none told";
  // The output the levels were set through goes beside the table, which
  // stays as its readers know it.
  check.output = OutputFacts{"Null Output", "", "s16le", 48000, 1, 80, true};
  check.outputWarning =
      "The output volume changed from 80% to muted: levels set before and after "
      "are not comparable";
  ASSERT_EQ(save_levels(dir / "check.csv", ReportType::Csv, check, "t"), "");
  EXPECT_EQ(slurp(dir / "check.csv"), csv);
  EXPECT_EQ(slurp(dir / "check.output.txt"),
            "Output: Null Output, s16le 48000 Hz 1 channel, volume 80%, muted\nWarning: The "
            "output volume changed from 80% to muted: levels set before and after are not "
            "comparable\n");
  check.of(Ear::Left).attenuationDb[16] = 35;
  check.of(Ear::Left).set[16] = true;
  check.of(Ear::Right).attenuationDb[16] = 62;
  check.of(Ear::Right).set[16] = true;
  ASSERT_EQ(save_levels(dir / "check.csv", ReportType::Csv, check, "t"), "");
  const std::string sides = slurp(dir / "check.csv");
  const std::string sides_head =
      "frequency_hz,level_dbfs,set,left_dbfs,left_set,right_dbfs,right_set\r\n"
      "25,0,yes,-40,no,-40,no\r\n";
  EXPECT_EQ(sides.substr(0, sides_head.size()), sides_head);
  EXPECT_NE(sides.find("\r\n1000,-57,yes,-35,yes,-62,yes\r\n"), std::string::npos) << sides;
  EXPECT_EQ(std::count(sides.begin(), sides.end(), '\n'), 34);
}

// The circles stand where a level-against-log-frequency chart puts them:
// plot area 110..1150 wide for 25 Hz..16 kHz, and 110..700 high with
// -120 dB at the top and 0 dB at the bottom, as on the band sliders.
TEST(SavedLevels, AudiogramPlotsTheSetBandsOnly) {
  TempDir dir;
  ASSERT_EQ(save_levels(dir / "a.png", ReportType::Png, known_levels(), "t"), "");
  const CairoSurface png(cairo_image_surface_create_from_png((dir / "a.png").c_str()));
  ASSERT_EQ(cairo_surface_status(png.get()), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(png.get()), 1200);
  ASSERT_EQ(cairo_image_surface_get_height(png.get()), 800);
  auto x_of = [](double hz) { return 110 + std::log(hz / 25) / std::log(640.0) * 1040; };
  auto y_of = [](int db) { return 700 - db * 590.0 / 120; };
  EXPECT_LT(y_of(120), y_of(10)) << "a band at -120 dB plots above one at -10 dB";
  auto blue = [](const CairoSurface& img, int x, int y) {
    const auto* row =
        cairo_image_surface_get_data(img.get()) + y * cairo_image_surface_get_stride(img.get());
    const std::uint32_t px = reinterpret_cast<const std::uint32_t*>(row)[x];
    return (px & 0xff) > 150 && ((px >> 16) & 0xff) < 80;  // blue, not red
  };
  auto blue_at = [&](double hz, int db) {
    return blue(png, static_cast<int>(x_of(hz)), static_cast<int>(y_of(db)));
  };
  EXPECT_TRUE(blue_at(1000, 57));
  EXPECT_TRUE(blue_at(25, 0));
  EXPECT_TRUE(blue_at(16000, 120));
  EXPECT_TRUE(blue_at(2500, 40));
  EXPECT_FALSE(blue_at(800, 40)) << "a band never set is not plotted";
  EXPECT_FALSE(blue_at(4000, 40));
  // Each circle stands at its own band, whatever the line does: with one
  // band set there is no line, and the blue pixels' centre is the point.
  for (const auto& [band, hz] : {std::pair{0, 25.0}, {16, 1000.0}, {32, 16000.0}}) {
    BandLevels one;
    one.attenuationDb.fill(40);
    one.attenuationDb[band] = 60;
    one.set[band] = true;
    ASSERT_EQ(save_levels(dir / "one.png", ReportType::Png, one, "t"), "");
    const CairoSurface img(cairo_image_surface_create_from_png((dir / "one.png").c_str()));
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < 800; ++y) {
      for (int x = 0; x < 1200; ++x) {
        if (blue(img, x, y)) sx += x, sy += y, ++n;
      }
    }
    ASSERT_GT(n, 50) << hz << " Hz: no circle";
    EXPECT_NEAR(sx / n, x_of(hz), 2.0) << hz << " Hz";
    EXPECT_NEAR(sy / n, y_of(60), 2.0) << hz << " Hz";
  }

  // Each ear in the clinic's symbols: the left ear a blue cross (X), whose
  // arms meet at the point and leave its sides white; the right ear a red
  // ring (O), white inside; and a legend of both in the top right corner.
  CheckLevels ears;
  // Points off the grid's lines: 1250 Hz at -33 dB and 160 Hz at -72 dB.
  ears.of(Ear::Left).set[17] = true;
  ears.of(Ear::Left).attenuationDb[17] = 33;
  ears.of(Ear::Right).set[8] = true;
  ears.of(Ear::Right).attenuationDb[8] = 72;
  ASSERT_EQ(save_levels(dir / "ears.png", ReportType::Png, ears, "t"), "");
  const CairoSurface chart(cairo_image_surface_create_from_png((dir / "ears.png").c_str()));
  auto colour = [&](double x, double y) {
    const auto* row =
        cairo_image_surface_get_data(chart.get()) +
        static_cast<int>(std::lround(y)) * cairo_image_surface_get_stride(chart.get());
    const std::uint32_t px = reinterpret_cast<const std::uint32_t*>(row)[std::lround(x)];
    const int r = (px >> 16) & 0xff, g = (px >> 8) & 0xff, b = px & 0xff;
    if (r > 150 && g < 80 && b < 80) return 'R';
    if (b > 200 && r < 80 && g < 80) return 'B';
    if (r > 230 && g > 230 && b > 230) return 'W';
    return '?';
  };
  const double lx = x_of(1250), ly = y_of(33), rx = x_of(160), ry = y_of(72);
  EXPECT_EQ(colour(lx, ly), 'B') << "the cross's arms meet at the left ear's point";
  EXPECT_EQ(colour(lx + 3, ly + 3), 'B');
  EXPECT_EQ(colour(lx - 3, ly + 3), 'B');
  EXPECT_EQ(colour(lx + 5, ly), 'W') << "a cross, not a disc";
  EXPECT_EQ(colour(rx, ry), 'W') << "a ring, white inside, at the right ear's point";
  EXPECT_EQ(colour(rx + 7, ry), 'R');
  EXPECT_EQ(colour(rx, ry - 7), 'R');
  int legend_red = 0, legend_blue = 0;
  for (int y = 110; y < 200; ++y) {
    for (int x = 950; x < 1150; ++x) {
      legend_red += colour(x, y) == 'R';
      legend_blue += colour(x, y) == 'B';
    }
  }
  EXPECT_GT(legend_red, 20) << "no right ear in the legend";
  EXPECT_GT(legend_blue, 20) << "no left ear in the legend";

  // The vector kinds open in the tools that read them. Each kind names the
  // output the levels were set through, and the warning of a change, both
  // where a person reads them and where a program does.
  CheckLevels check;
  check.of(Ear::Both) = known_levels();
  check.output = OutputFacts{"Null Output", "Line Out", "float32le", 44100, 2, 65, false};
  check.outputWarning =
      "The output volume changed from 65% to 80%: levels set before and after "
      "are not comparable";
  const std::string output_line =
      "Output: Null Output (Line Out), float32le 44100 Hz 2 channels, volume 65%";
  const std::string warning_line = "Warning: " + check.outputWarning;
  ASSERT_EQ(save_levels(dir / "a.svg", ReportType::Svg, check, "t & u"), "");
  ASSERT_EQ(save_levels(dir / "a.pdf", ReportType::Pdf, check, "t"), "");
  ASSERT_EQ(save_levels(dir / "a.png", ReportType::Png, check, "t"), "");
  EXPECT_EQ(run_to_end({"xmllint", "--noout", dir / "a.svg"}), 0);
  auto read = [&](std::vector<std::string> argv) {
    const auto out = dir / "out.txt";
    EXPECT_EQ(run_to_end(std::move(argv), {}, out), 0);
    return slurp(out);
  };
  EXPECT_EQ(read({"xmllint", "--xpath", "string(/*/*[local-name()='title'])", dir / "a.svg"}),
            "t & u\n");
  EXPECT_EQ(read({"xmllint", "--xpath", "string(/*/*[local-name()='desc'])", dir / "a.svg"}),
            output_line + "\n" + warning_line + "\n");
  const std::string shown = read({"pdftotext", "-raw", dir / "a.pdf", "-"});
  EXPECT_NE(shown.find(output_line), std::string::npos) << shown;
  EXPECT_NE(shown.find(warning_line), std::string::npos) << shown;
  // The PNG's text chunks, each checked against its CRC by another reader.
  EXPECT_EQ(read({"python3", "-c", R"(import sys, struct, zlib
d = open(sys.argv[1], 'rb').read(); i = 8
while i < len(d):
    n, = struct.unpack('>I', d[i:i+4]); body = d[i+4:i+8+n]
    assert struct.unpack('>I', d[i+8+n:i+12+n])[0] == zlib.crc32(body), 'CRC'
    if body[:4] == b'tEXt': print(body[4:].decode('latin-1').replace('\0', '=', 1))
    i += 12 + n)",
                  dir / "a.png"}),
            "Title=t\nDescription=" + output_line + "\n" + warning_line + "\n");
  const CairoSurface texted(cairo_image_surface_create_from_png((dir / "a.png").c_str()));
  EXPECT_EQ(cairo_surface_status(texted.get()), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(run_to_end({"pdftoppm", "-png", "-r", "20", dir / "a.pdf", dir / "page"}), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "page-1.png"));
  // The PDF is a titled A4 landscape page.
  ASSERT_EQ(run_to_end({"pdfinfo", dir / "a.pdf"}, {}, dir / "info.txt"), 0);
  const std::string info = slurp(dir / "info.txt");
  EXPECT_NE(info.find("Page size:       842 x 595 pts (A4)"), std::string::npos) << info;
  EXPECT_NE(info.find("Title:           t\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Creator:         Sonavel\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Subject:         " + output_line), std::string::npos) << info;
}

// A name as long as the folder allows saves; a save through a symbolic
// link replaces the file it names and keeps the link, as an editor does.
TEST(SavedLevels, LongNamesAndLinksSaveWhereTheUserMeant) {
  TempDir dir;
  const std::string longest = dir / (std::string(251, 'n') + ".csv");
  EXPECT_EQ(save_levels(longest, ReportType::Csv, known_levels(), "t"), "");
  EXPECT_EQ(slurp(longest).substr(0, 13), "frequency_hz,");
  std::filesystem::create_directory(dir / "real");
  std::ofstream(dir / "real/levels.csv") << "old";
  std::filesystem::create_symlink("real/levels.csv", dir / "link.csv");
  std::filesystem::create_symlink("link.csv", dir / "link2.csv");
  ASSERT_EQ(save_levels(dir / "link2.csv", ReportType::Csv, known_levels(), "t"), "");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link2.csv"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.csv"));
  EXPECT_EQ(slurp(dir / "real/levels.csv").substr(0, 13), "frequency_hz,");
  std::filesystem::create_symlink("real/new.csv", dir / "dangling.csv");
  ASSERT_EQ(save_levels(dir / "dangling.csv", ReportType::Csv, known_levels(), "t"), "");
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "real/new.csv"));
  EXPECT_EQ(entries(dir / "real").size(), 2u) << "no temporary file is left";
  // A new file's permissions are the umask's; a replaced file keeps its own.
  const mode_t before = umask(027);
  EXPECT_EQ(save_levels(dir / "new.csv", ReportType::Csv, known_levels(), "t"), "");
  chmod((dir / "real/levels.csv").c_str(), 0604);
  EXPECT_EQ(save_levels(dir / "link.csv", ReportType::Csv, known_levels(), "t"), "");
  umask(before);
  struct stat made, kept;
  ASSERT_EQ(stat((dir / "new.csv").c_str(), &made), 0);
  ASSERT_EQ(stat((dir / "real/levels.csv").c_str(), &kept), 0);
  EXPECT_EQ(made.st_mode & 0777, 0640u);
  EXPECT_EQ(kept.st_mode & 0777, 0604u);
  // Only its read and write bits: no set-id, sticky or execute bit.
  chmod((dir / "real/levels.csv").c_str(), 04755);
  EXPECT_EQ(save_levels(dir / "link.csv", ReportType::Csv, known_levels(), "t"), "");
  ASSERT_EQ(stat((dir / "real/levels.csv").c_str(), &kept), 0);
  EXPECT_EQ(kept.st_mode & 07777, 0644u);
  // A file with a second name: both names show the new levels.
  std::ofstream(dir / "linked.csv") << "old";
  std::filesystem::create_hard_link(dir / "linked.csv", dir / "other-name.csv");
  ASSERT_EQ(save_levels(dir / "linked.csv", ReportType::Csv, known_levels(), "t"), "");
  EXPECT_EQ(slurp(dir / "other-name.csv"), slurp(dir / "linked.csv"));
  EXPECT_EQ(slurp(dir / "other-name.csv").substr(0, 13), "frequency_hz,");
  EXPECT_EQ(std::filesystem::hard_link_count(dir / "linked.csv"), 2u);
}

// The type comes from the name's own extension, in any case; a dot in a
// folder's name is no extension.
TEST(SavedLevels, TheExtensionNamesTheType) {
  EXPECT_EQ(report_type_of("/home/a/levels.CSV"), ReportType::Csv);
  EXPECT_EQ(report_type_of("chart.Svg"), ReportType::Svg);
  EXPECT_EQ(report_type_of("/tmp/x.pdf.png"), ReportType::Png);
  EXPECT_EQ(report_type_of("/home/a/levels.pdf"), ReportType::Pdf);
  EXPECT_EQ(report_type_of("/home/a.csv/levels"), std::nullopt);
  EXPECT_EQ(report_type_of("/home/a/levels"), std::nullopt);
  EXPECT_EQ(report_type_of("/home/a/levels.txt"), std::nullopt);
  EXPECT_EQ(report_type_of("/home/a/levels."), std::nullopt);
}

TEST(SavedLevels, AFailedSaveLeavesNothingAndSaysWhy) {
  TempDir dir;
  std::filesystem::create_directory(dir / "kept");
  std::ofstream(dir / "plain") << "x";
  const BandLevels levels = known_levels();
  EXPECT_EQ(save_levels(dir / "plain/levels.csv", ReportType::Csv, levels, "t"), "Not a directory");
  EXPECT_EQ(save_levels(dir / (std::string(300, 'n') + ".csv"), ReportType::Csv, levels, "t"),
            "File name too long");
  EXPECT_EQ(save_levels(dir / "kept", ReportType::Png, levels, "t"), "Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "kept")) << "the target is unchanged";
  EXPECT_EQ(entries(dir.path()).size(), 2u) << "no temporary file is left";

  // Once renamed into place the file is saved, even where the folder cannot
  // be opened to flush it (one the user may write but not read): that is a
  // warning, never a failure. Tried as a user the folder's mode applies to.
  std::filesystem::create_directory(dir / "write-only");
  if (geteuid() == 0) {
    ASSERT_EQ(chown((dir / "write-only").c_str(), 65534, 65534), 0);
    chmod(dir.path().c_str(), 0711);  // the other user passes through
  }
  chmod((dir / "write-only").c_str(), 0300);
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    std::string warning;
    const std::string error =
        save_levels(dir / "write-only/levels.csv", ReportType::Csv, levels, "t", &warning);
    _exit(error.empty() && warning == "its folder could not be flushed to disk: Permission denied"
              ? 0
              : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "a saved file was reported as not saved, or with no warning";
  chmod((dir / "write-only").c_str(), 0700);
  EXPECT_EQ(slurp(dir / "write-only/levels.csv").substr(0, 13), "frequency_hz,");
}

}  // namespace
