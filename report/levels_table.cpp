#include "report/levels_table.h"

#include <cstdio>

namespace sonavel {

std::string levels_csv(const CheckLevels& levels) {
  if (!levels.sides_set()) return levels_csv(levels.of(Ear::Both));
  const BandLevels &both = levels.of(Ear::Both), &left = levels.of(Ear::Left),
                   &right = levels.of(Ear::Right);
  std::string csv = "frequency_hz,level_dbfs,set,left_dbfs,left_set,right_dbfs,right_set\r\n";
  for (std::size_t i = 0; i < bandCount; ++i) {
    char row[128];
    std::snprintf(row, sizeof row, "%d,%d,%s,%d,%s,%d,%s\r\n", bands[i], -both.attenuationDb[i],
                  both.set[i] ? "yes" : "no", -left.attenuationDb[i], left.set[i] ? "yes" : "no",
                  -right.attenuationDb[i], right.set[i] ? "yes" : "no");
    csv += row;
  }
  return csv;
}

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
