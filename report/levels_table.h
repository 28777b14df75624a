// The levels as a table a spreadsheet opens: CSV after RFC 4180, a header
// and one row per band in band order, lines ending in CR LF.
#pragma once

#include <string>

#include "report/band_levels.h"

namespace sonavel {

// "frequency_hz,level_dbfs,set" and rows such as "1000,-57,yes".
std::string levels_csv(const BandLevels& levels);
// The same for a check, both ears in the first three columns; once a level
// was set for one ear on its own, each ear's level and whether it was set
// follow: "frequency_hz,level_dbfs,set,left_dbfs,left_set,right_dbfs,right_set".
std::string levels_csv(const CheckLevels& levels);

}  // namespace sonavel
