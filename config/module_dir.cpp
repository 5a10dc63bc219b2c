#include "config/module_dir.h"

std::string DirectoryOfPath(const std::string& path, LeadBytePredicate isLeadByte) {
  size_t start = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  size_t end = start;  // one past the last separator seen
  for (size_t i = start; i < path.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(path[i]);
    if (isLeadByte(byte)) {
      ++i;  // skip the trail byte, whatever it is
    } else if (byte == '\\' || byte == '/') {
      end = i + 1;
    }
  }
  return path.substr(0, end);
}
