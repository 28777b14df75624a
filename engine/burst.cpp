#include "engine/burst.h"

namespace sonavel {

const std::array<double, fadeSamples + 1> fadeEnvelope = [] {
  std::array<double, fadeSamples + 1> table{};
  for (std::size_t k = 0; k <= fadeSamples; ++k) {
    const double env_db =
        (static_cast<double>(k) / static_cast<double>(fadeSamples)) * envelopeFloorDb -
        envelopeFloorDb;
    table[k] = db_to_linear(env_db);
  }
  return table;
}();

}  // namespace sonavel
