// Saving the levels as a file a person keeps: the table (CSV) or the
// audiogram (SVG, PNG or PDF), written whole or not at all.
#pragma once

#include <optional>
#include <string>

#include "report/band_levels.h"

namespace sonavel {

enum class ReportType { Csv, Svg, Png, Pdf };

// The type a file name's extension names, in any case, if it names one.
std::optional<ReportType> report_type_of(const std::string& path);
// ".csv", ".svg", ".png" or ".pdf".
const char* report_extension(ReportType type);

// Writes the levels to path as type, into a temporary file in the same
// folder that is flushed to disk, renamed over path, and made lasting by
// flushing the folder. A symbolic link is followed: the file it names is
// replaced and the link stays. A file with more than one name (hard links)
// is written in place once the temporary file is complete, so that all its
// names keep one content. Returns an empty string when the file is saved,
// or else the system's reason; path is then unchanged and no temporary file
// is left. A saved file whose folder would not flush is saved, and warning
// (when given) says so. A new file gets the permissions the user's umask
// gives; a replaced one keeps its own read and write bits and no others.
// title heads the audiogram. Main thread.
std::string save_levels(const std::string& path, ReportType type, const BandLevels& levels,
                        const std::string& title, std::string* warning = nullptr);

}  // namespace sonavel
