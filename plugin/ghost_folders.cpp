#include "ghost_folders.h"

#include <map>

#include "request.h"

namespace {

// The N of a "ReferenceN" name, or empty when the name is not one.
std::string_view ReferenceNumber(std::string_view name) {
  constexpr std::string_view kPrefix = "Reference";
  if (name.substr(0, kPrefix.size()) != kPrefix) return {};
  std::string_view digits = name.substr(kPrefix.size());
  if (digits.empty() || (digits[0] == '0' && digits.size() > 1)) return {};
  for (char c : digits)
    if (c < '0' || c > '9') return {};
  return digits;
}

// Canonical numbers of any length: more digits is larger, then digit by digit.
struct NumericOrder {
  bool operator()(std::string_view a, std::string_view b) const {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  }
};

}  // namespace

std::vector<std::string> GhostFolderList(std::string_view request) {
  std::map<std::string_view, std::string_view, NumericOrder> references;
  ForEachHeader(request, [&](std::string_view name, std::string_view value) {
    std::string_view number = ReferenceNumber(name);
    if (!number.empty()) references[number] = value;
  });
  if (references.empty() || (references.size() == 1 && references.begin()->first == "0"))
    return {std::string(references.empty() ? std::string_view() : references.begin()->second)};
  // An empty folder text would search the drive's root, which is no ghost
  // folder: with several folders named, it names none.
  std::vector<std::string> folders;
  for (const auto& [number, value] : references)
    if (!value.empty()) folders.emplace_back(value);
  return folders;
}

bool InstallsGhost(std::string_view types) {
  for (size_t start = 0;;) {
    size_t end = types.find('\x01', start);
    if (types.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start) == "ghost")
      return true;
    if (end == std::string_view::npos) return false;
    start = end + 1;
  }
}
