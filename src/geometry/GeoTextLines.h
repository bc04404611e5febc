// Line walking shared by the reader and the splitter of the warp geometry text.
#pragma once

#include <string_view>

namespace kvogc {

/// The text as a C string sees it: up to its first NUL.
inline std::string_view UpToNul(std::string_view text) {
  const size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

inline bool StartsWith(std::string_view line, std::string_view key) {
  return line.size() >= key.size() && line.compare(0, key.size(), key) == 0;
}

/// Calls visit(line) for every line of text: lines end at LF, a CR directly
/// before an LF belongs to the line end, and the piece after the last LF is a
/// line too (possibly empty). Nothing else is trimmed. Stops early when visit
/// returns false; returns whether every line was visited.
template <typename Visit>
bool ForEachGeoLine(std::string_view text, Visit&& visit) {
  size_t start = 0;
  while (true) {
    const size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) return visit(text.substr(start));
    size_t end = lf;
    if (end > start && text[end - 1] == '\r') --end;
    if (!visit(text.substr(start, end - start))) return false;
    start = lf + 1;
  }
}

}  // namespace kvogc
