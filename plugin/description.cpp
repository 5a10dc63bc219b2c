#include "description.h"

long long ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  for (int c; (c = std::fgetc(file)) != EOF;) {
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  if (line.empty()) return -1;
  return static_cast<long long>(line.size());
}

void TrimTrailing(std::string& line, char byte) {
  if (!line.empty() && line.back() == byte) line.pop_back();
}

// Takes one line's "name," or "sakura.name," value; other lines change nothing.
static void ApplyDescriptionLine(std::string& line, GhostDescription& description) {
  TrimTrailing(line, '\n');
  TrimTrailing(line, '\r');
  size_t comma = line.find(',');
  if (comma == std::string::npos) return;
  // Keys are exact: no blanks trimmed, case kept; the value runs to the end.
  if (line.compare(0, comma, "name") == 0)
    description.name.assign(line, comma + 1);
  else if (line.compare(0, comma, "sakura.name") == 0)
    description.sakuraName.assign(line, comma + 1);
}

GhostDescription ReadDescription(std::FILE* file) {
  GhostDescription description;
  std::string line;
  while (ReadLine(file, line) != -1) ApplyDescriptionLine(line, description);
  return description;
}
