#include "report/report_file.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstring>

#include "audio/c_owners.h"
#include "report/audiogram.h"
#include "report/levels_table.h"

namespace sonavel {

namespace {

// The temporary file: removed on every way out but a completed save.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& beside) {
    const std::size_t slash = beside.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : beside.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? beside : beside.substr(slash + 1);
    path_ = (slash == std::string::npos ? "" : folder) + "." + name + ".XXXXXX";
    fd_ = mkstemp(path_.data());
    made_ = fd_ >= 0;
    if (!made_) error_ = errno;
  }
  ~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (made_ && !kept_) unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  int error() const { return error_; }  // why it could not be made, or 0
  const std::string& path() const { return path_; }
  // Flushes to disk and closes; false with errno set when that failed.
  bool finish() {
    const bool ok = fsync(fd_) == 0;
    const int saved = errno;
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    errno = ok ? errno : saved;
    return ok && closed;
  }
  void keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
  bool made_ = false, kept_ = false;
};

// Writes all of data, or returns false with errno set.
bool write_all(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n, size -= static_cast<std::size_t>(n);
  }
  return true;
}

// cairo's writer into the temporary file; keeps the first error.
struct Stream {
  int fd;
  int error = 0;
};
cairo_status_t write_to_stream(void* closure, const unsigned char* data, unsigned int size) {
  auto* stream = static_cast<Stream*>(closure);
  if (stream->error == 0 && !write_all(stream->fd, data, size)) stream->error = errno;
  return stream->error == 0 ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

// The content, into fd; returns 0 or the error.
int write_content(int fd, ReportType type, const BandLevels& levels, const std::string& title) {
  if (type == ReportType::Csv) {
    const std::string csv = levels_csv(levels);
    return write_all(fd, reinterpret_cast<const unsigned char*>(csv.data()), csv.size()) ? 0
                                                                                         : errno;
  }
  Stream stream{fd};
  CairoSurface surface(
      type == ReportType::Png
          ? cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(audiogramWidth),
                                       static_cast<int>(audiogramHeight))
      : type == ReportType::Svg ? cairo_svg_surface_create_for_stream(
                                      write_to_stream, &stream, audiogramWidth, audiogramHeight)
                                : cairo_pdf_surface_create_for_stream(
                                      write_to_stream, &stream, audiogramWidth, audiogramHeight));
  {
    const CairoContext cr(cairo_create(surface.get()));
    paint_audiogram(cr.get(), levels, title);
  }
  cairo_status_t status;
  if (type == ReportType::Png) {
    status = cairo_surface_write_to_png_stream(surface.get(), write_to_stream, &stream);
  } else {
    cairo_surface_finish(surface.get());  // writes out the document
    status = cairo_surface_status(surface.get());
  }
  if (stream.error != 0) return stream.error;
  return status == CAIRO_STATUS_SUCCESS ? 0 : EIO;
}

}  // namespace

std::optional<ReportType> report_type_of(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return std::nullopt;
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

std::string save_levels(const std::string& path, ReportType type, const BandLevels& levels,
                        const std::string& title) {
  TemporaryFile file(path);
  if (file.fd() < 0) return std::strerror(file.error());
  struct stat existing;
  mode_t mode;
  if (stat(path.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
  } else {
    mode = umask(0);
    umask(mode);
    mode = 0666 & ~mode;
  }
  int error = fchmod(file.fd(), mode) == 0 ? 0 : errno;
  if (error == 0) error = write_content(file.fd(), type, levels, title);
  if (error == 0 && !file.finish()) error = errno;
  if (error == 0 && rename(file.path().c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) return std::strerror(error);
  file.keep();
  return {};
}

}  // namespace sonavel
