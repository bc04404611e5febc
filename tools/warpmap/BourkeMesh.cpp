#include "BourkeMesh.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace kvogc::warpmap {

namespace {

constexpr int kMeshTypeRectangular = 2;

// The text's non-blank lines with their 1-based line numbers.
class CLines {
 public:
  explicit CLines(std::string_view text) : m_text(text) {}

  bool Next(std::string_view& line, size_t& number) {
    while (m_pos < m_text.size()) {
      const size_t end = std::min(m_text.find('\n', m_pos), m_text.size());
      line = m_text.substr(m_pos, end - m_pos);
      m_pos = end + 1;
      number = ++m_number;
      if (line.find_first_not_of(" \t\r") != std::string_view::npos) return true;
    }
    return false;
  }

 private:
  std::string_view m_text;
  size_t m_pos = 0;
  size_t m_number = 0;
};

std::string LineLabel(size_t number) { return "line " + std::to_string(number) + ": "; }

template <typename T>
std::vector<T> Fields(std::string_view line, size_t count, size_t number) {
  std::vector<T> values;
  size_t pos = 0;
  while (true) {
    pos = line.find_first_not_of(" \t\r", pos);
    if (pos == std::string_view::npos) break;
    const size_t end = std::min(line.find_first_of(" \t\r", pos), line.size());
    T value{};
    const auto [stop, error] = std::from_chars(line.data() + pos, line.data() + end, value);
    if (error != std::errc() || stop != line.data() + end || !std::isfinite(double(value))) {
      throw CFormatError(LineLabel(number) + "'" + std::string(line.substr(pos, std::min<size_t>(end - pos, 32))) +
                         "' is not a number");
    }
    values.push_back(value);
    pos = end;
  }
  if (values.size() != count) {
    throw CFormatError(LineLabel(number) + "expected " + std::to_string(count) + " fields, found " +
                       std::to_string(values.size()));
  }
  return values;
}

}  // namespace

std::string WriteBourke(const WarpMesh& mesh, double panelWidth, double panelHeight) {
  const double aspect = panelWidth / panelHeight;
  std::string text = std::to_string(kMeshTypeRectangular) + "\n" + std::to_string(mesh.cols) +
                     " " + std::to_string(mesh.rows) + "\n";
  char line[160];
  for (int32_t r = 0; r < mesh.rows; ++r) {
    for (int32_t c = 0; c < mesh.cols; ++c) {
      const PointXY p = mesh.panel[size_t(r) * size_t(mesh.cols) + size_t(c)];
      const PointXY t = mesh.Uv(r, c);
      std::snprintf(line, sizeof(line), "%.9f %.9f %.9f %.9f 1\n",
                    (2.0 * p.x / panelWidth - 1.0) * aspect, 1.0 - 2.0 * p.y / panelHeight, t.x,
                    1.0 - t.y);
      text += line;
    }
  }
  return text;
}

WarpMesh ReadBourke(std::string_view text, double panelWidth, double panelHeight) {
  CLines lines(text);
  std::string_view line;
  size_t number = 0;
  if (!lines.Next(line, number)) throw CFormatError("empty: no mesh type");
  if (Fields<int>(line, 1, number)[0] != kMeshTypeRectangular) {
    throw CFormatError(LineLabel(number) + "mesh type must be 2 (rectangular)");
  }
  if (!lines.Next(line, number)) throw CFormatError("no 'nx ny' line after the mesh type");
  const std::vector<int64_t> counts = Fields<int64_t>(line, 2, number);
  if (counts[0] < 2 || counts[1] < 2 || counts[0] > kMaxMapSide || counts[1] > kMaxMapSide ||
      counts[0] * counts[1] > kMaxMapPixels) {
    throw CFormatError(LineLabel(number) + "nx and ny must each be 2 to " +
                       std::to_string(kMaxMapSide) + " (at most " +
                       std::to_string(kMaxMapPixels) + " points)");
  }
  WarpMesh mesh{int32_t(counts[0]), int32_t(counts[1]), {}, {}};
  const size_t total = size_t(counts[0]) * size_t(counts[1]);
  const double aspect = panelWidth / panelHeight;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  while (mesh.panel.size() < total) {
    if (!lines.Next(line, number)) {
      throw CFormatError("the file ends after " + std::to_string(mesh.panel.size()) + " of " +
                         std::to_string(total) + " points");
    }
    const std::vector<double> f = Fields<double>(line, 5, number);
    const bool used = f[4] >= 0.0;
    mesh.panel.push_back(used ? PointXY{(f[0] / aspect + 1.0) * 0.5 * panelWidth,
                                        (1.0 - f[1]) * 0.5 * panelHeight}
                              : PointXY{nan, nan});
    mesh.uv.push_back({f[2], 1.0 - f[3]});
  }
  if (lines.Next(line, number)) {
    throw CFormatError(LineLabel(number) + "more lines than the " + std::to_string(total) +
                       " points announced");
  }
  return mesh;
}

}  // namespace kvogc::warpmap
