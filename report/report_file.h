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

// Writes the levels to path as type, whole or not at all (write_whole_file,
// with its links, permissions and warning). Returns an empty string when the
// file is saved, or else the system's reason. title heads the audiogram.
// Main thread.
std::string save_levels(const std::string& path, ReportType type, const BandLevels& levels,
                        const std::string& title, std::string* warning = nullptr);
// The same for a check's levels: the table has each ear's columns once a
// level was set for one ear on its own; the audiogram draws both ears'. The
// output the levels were set through, and any warning of its change, are in
// the audiogram's text and document information; a table's go into a text
// file beside it, its name ending ".output.txt" in place of ".csv".
std::string save_levels(const std::string& path, ReportType type, const CheckLevels& levels,
                        const std::string& title, std::string* warning = nullptr);

}  // namespace sonavel
