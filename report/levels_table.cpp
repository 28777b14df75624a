#include "report/levels_table.h"

#include <cstdio>

namespace sonavel {

std::string levels_csv(const BandLevels& levels) {
  std::string csv = "frequency_hz,level_dbfs,set\r\n";
  for (std::size_t i = 0; i < bandCount; ++i) {
    char row[64];
    std::snprintf(row, sizeof row, "%d,%d,%s\r\n", bands[i], -levels.attenuationDb[i],
                  levels.set[i] ? "yes" : "no");
    csv += row;
  }
  return csv;
}

}  // namespace sonavel
