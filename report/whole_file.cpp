#include "report/whole_file.h"

#include <errno.h>
#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace sonavel {

namespace {

// The folder part of path with its slash ("" for a bare name).
std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a path names once its symbolic links are followed, as an editor
// follows them, so that a save through a link replaces what it points to
// and keeps the link. A link to a file that does not exist yet names that
// file. Sets error on a link that cannot be read or a loop.
std::string follow_links(std::string path, int& error) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char target[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), target, sizeof target);
    if (n < 0 || n == static_cast<ssize_t>(sizeof target)) {
      error = n < 0 ? errno : ENAMETOOLONG;
      return {};
    }
    const std::string next(target, static_cast<std::size_t>(n));
    path = next.front() == '/' ? next : folder_of(path) + next;
  }
  error = ELOOP;
  return {};
}

// The temporary file, in the target's folder under a short name of its own
// so that it fits wherever the target's name fits; removed on every way out
// but a completed save. A new one is made with mode 0666 and the kernel
// applies the umask, as it would to the file itself.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& folder) : path_(folder + ".sonavel-XXXXXX") {
    fd_ = g_mkstemp_full(path_.data(), O_RDWR | O_CLOEXEC, 0666);
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

// Flushes a folder's entries, so that a rename in it survives a power cut.
int sync_folder(const std::string& folder) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  // A file system that cannot flush a folder says EINVAL; there is nothing
  // more to do for it.
  const int error = fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
  close(fd);
  return error;
}

// A file descriptor closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Copies the finished file from over the content of to, which keeps its
// inode, and so every other name it has, and its permissions; returns 0 or
// the error. The new content is whole in from before to is touched.
int copy_in_place(const std::string& from, const std::string& to) {
  const Descriptor in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return errno;
  const Descriptor out(open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (out.get() < 0) return errno;
  unsigned char buffer[1 << 14];
  for (;;) {
    const ssize_t n = read(in.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    if (!write_all(out.get(), buffer, static_cast<std::size_t>(n))) return errno;
  }
  return fsync(out.get()) == 0 ? 0 : errno;
}

}  // namespace

bool write_all(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n, size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string write_whole_file(const std::string& path, const std::function<int(int fd)>& content,
                             std::string* warning) {
  int error = 0;
  const std::string target = follow_links(path, error);
  if (error != 0) return std::strerror(error);
  // A name the folder cannot hold fails here, before anything is made.
  if (target.size() - folder_of(target).size() > NAME_MAX) return std::strerror(ENAMETOOLONG);
  TemporaryFile file(folder_of(target));
  if (file.fd() < 0) return std::strerror(file.error());
  // A replaced file keeps its read and write permissions, never a set-id,
  // sticky or execute bit: what is written here is data, not a program.
  struct stat existing;
  const bool replaces = stat(target.c_str(), &existing) == 0;
  if (replaces && fchmod(file.fd(), existing.st_mode & 0666) != 0) error = errno;
  if (error == 0) error = content(file.fd());
  if (error == 0 && !file.finish()) error = errno;
  if (error != 0) return std::strerror(error);
  if (replaces && S_ISREG(existing.st_mode) && existing.st_nlink > 1) {
    // Renaming would leave the file's other names on the old content.
    error = copy_in_place(file.path(), target);
    return error == 0 ? std::string() : std::strerror(error);
  }
  if (rename(file.path().c_str(), target.c_str()) != 0) return std::strerror(errno);
  file.keep();
  // The file is whole under its name: saved. A folder that will not flush
  // leaves it there, not yet sure to survive a power cut, which is told.
  error = sync_folder(folder_of(target));
  if (error != 0 && warning != nullptr) {
    *warning = std::string("its folder could not be flushed to disk: ") + std::strerror(error);
  }
  return {};
}

}  // namespace sonavel
