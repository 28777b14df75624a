#include "report/report_file.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <errno.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/cairo_owners.h"
#include "report/audiogram.h"
#include "report/document_text.h"
#include "report/levels_table.h"
#include "report/whole_file.h"

namespace sonavel {

namespace {

// The PDF is an A4 landscape page, in points, with a margin for printers.
constexpr double a4LongSidePt = 842, a4ShortSidePt = 595, pageMarginPt = 36;

// cairo's writer into the temporary file, or into held when the document
// gets its text before it is written; keeps the first error.
struct Stream {
  int fd;
  bool hold = false;
  std::string held{};
  int error = 0;
};
cairo_status_t write_to_stream(void* closure, const unsigned char* data, unsigned int size) {
  auto* stream = static_cast<Stream*>(closure);
  if (stream->hold) {
    stream->held.append(reinterpret_cast<const char*>(data), size);
  } else if (stream->error == 0 && !write_all(stream->fd, data, size)) {
    stream->error = errno;
  }
  return stream->error == 0 ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

// Where path's file name has its extension (its last dot), or npos.
std::size_t extension_at(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  return dot == std::string::npos || path.find('/', dot) != std::string::npos ? std::string::npos
                                                                              : dot;
}

// What the document says of the output, for programs that read it: empty
// where the program does not know it.
std::string output_text(const CheckLevels& check) {
  std::string text;
  if (check.output) text = "Output: " + describe_output(*check.output);
  if (!check.outputWarning.empty()) {
    text += (text.empty() ? "" : "\n") + std::string("Warning: ") + check.outputWarning;
  }
  return text;
}

// The content, into fd; returns 0 or the error.
int write_content(int fd, ReportType type, const CheckLevels& check, const std::string& title) {
  if (type == ReportType::Csv) {
    const std::string csv = levels_csv(check);
    return write_all(fd, reinterpret_cast<const unsigned char*>(csv.data()), csv.size()) ? 0
                                                                                         : errno;
  }
  const std::string about = output_text(check);
  Stream stream{fd};
  stream.hold = !about.empty() && type != ReportType::Pdf;
  const bool pdf = type == ReportType::Pdf;
  CairoSurface surface(
      type == ReportType::Png
          ? cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(audiogramWidth),
                                       static_cast<int>(audiogramHeight))
      : type == ReportType::Svg ? cairo_svg_surface_create_for_stream(
                                      write_to_stream, &stream, audiogramWidth, audiogramHeight)
                                : cairo_pdf_surface_create_for_stream(write_to_stream, &stream,
                                                                      a4LongSidePt, a4ShortSidePt));
  if (pdf) {
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, title.c_str());
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Sonavel");
    if (!about.empty()) {
      cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_SUBJECT, about.c_str());
    }
  }
  {
    const CairoContext cr(cairo_create(surface.get()));
    if (pdf) {
      // A printable page: the chart scaled to fit inside the margins, centred.
      const double scale = std::min((a4LongSidePt - 2 * pageMarginPt) / audiogramWidth,
                                    (a4ShortSidePt - 2 * pageMarginPt) / audiogramHeight);
      cairo_translate(cr.get(), (a4LongSidePt - audiogramWidth * scale) / 2,
                      (a4ShortSidePt - audiogramHeight * scale) / 2);
      cairo_scale(cr.get(), scale, scale);
    }
    paint_audiogram(cr.get(), check, title);
  }
  cairo_status_t status;
  if (type == ReportType::Png) {
    status = cairo_surface_write_to_png_stream(surface.get(), write_to_stream, &stream);
  } else {
    cairo_surface_finish(surface.get());  // writes out the document
    status = cairo_surface_status(surface.get());
  }
  if (stream.error != 0) return stream.error;
  if (status != CAIRO_STATUS_SUCCESS) return EIO;
  if (!stream.hold) return 0;
  const std::string document =
      type == ReportType::Svg
          ? svg_with_text(stream.held, title, about)
          : png_with_text(stream.held, {{"Title", title}, {"Description", about}});
  return write_all(fd, reinterpret_cast<const unsigned char*>(document.data()), document.size())
             ? 0
             : errno;
}

}  // namespace

std::optional<ReportType> report_type_of(const std::string& path) {
  const std::size_t dot = extension_at(path);
  if (dot == std::string::npos) return std::nullopt;
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (ReportType type : {ReportType::Csv, ReportType::Svg, ReportType::Png, ReportType::Pdf}) {
    if (extension == report_extension(type)) return type;
  }
  return std::nullopt;
}

const char* report_extension(ReportType type) {
  switch (type) {
    case ReportType::Csv:
      return ".csv";
    case ReportType::Svg:
      return ".svg";
    case ReportType::Png:
      return ".png";
    case ReportType::Pdf:
      break;
  }
  return ".pdf";
}

std::string save_levels(const std::string& path, ReportType type, const CheckLevels& levels,
                        const std::string& title, std::string* warning) {
  const std::string error = write_whole_file(
      path, [&](int fd) { return write_content(fd, type, levels, title); }, warning);
  // The table holds levels alone, in the columns its readers know; what they
  // were set through goes beside it, in a text file named after it.
  const std::string about = output_text(levels) + "\n";
  if (!error.empty() || type != ReportType::Csv || about.size() == 1) return error;
  const std::string beside = path.substr(0, extension_at(path)) + ".output.txt";
  const std::string failed = write_whole_file(beside, [&](int fd) {
    return write_all(fd, reinterpret_cast<const unsigned char*>(about.data()), about.size())
               ? 0
               : errno;
  });
  if (!failed.empty() && warning != nullptr) {
    *warning =
        "the output the levels were set through was not written to " + beside + ": " + failed;
  }
  return error;
}

std::string save_levels(const std::string& path, ReportType type, const BandLevels& levels,
                        const std::string& title, std::string* warning) {
  CheckLevels check;
  check.of(Ear::Both) = levels;
  return save_levels(path, type, check, title, warning);
}

}  // namespace sonavel
