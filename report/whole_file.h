// A file written whole or not at all: the content goes into a temporary file
// in the same folder, which is flushed to disk and then renamed over the
// target, and the folder is flushed so that the rename lasts.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace sonavel {

// Writes path through content(fd), which writes the whole content into the
// temporary file and returns 0 or an error number. A symbolic link is
// followed: the file it names is replaced and the link stays. A file with
// more than one name (hard links) is written in place once the temporary
// file is complete, so that all its names keep one content. Returns an empty
// string when the file is written, or else the system's reason; path is then
// unchanged and no temporary file is left. A written file whose folder would
// not flush is written, and warning (when given) says so. A new file gets
// the permissions the user's umask gives; a replaced one keeps its own read
// and write bits and no others. Main thread.
std::string write_whole_file(const std::string& path, const std::function<int(int fd)>& content,
                             std::string* warning = nullptr);

// Writes all of data to fd, or returns false with errno set.
bool write_all(int fd, const unsigned char* data, std::size_t size);

}  // namespace sonavel
