#include "audio/server_identity.h"

#include <cstring>

namespace sonavel {

bool is_pipewire_name(const char* server_name) {
  return server_name != nullptr && std::strstr(server_name, "PipeWire") != nullptr;
}

}  // namespace sonavel
