#include "PfmFormat.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

namespace kvogc::warpmap {

namespace {

constexpr size_t kChannels = 3;

// Header fields are separated by whitespace; the data follows exactly one
// whitespace byte after the scale.
class CHeaderReader {
 public:
  explicit CHeaderReader(std::string_view bytes) : m_bytes(bytes) {}

  std::string_view Token(const char* what) {
    while (m_pos < m_bytes.size() && IsSpace(m_bytes[m_pos])) ++m_pos;
    const size_t start = m_pos;
    while (m_pos < m_bytes.size() && !IsSpace(m_bytes[m_pos])) ++m_pos;
    if (start == m_pos || m_pos >= m_bytes.size()) {
      throw CFormatError(std::string("PFM header ends before its ") + what);
    }
    return m_bytes.substr(start, m_pos - start);
  }

  int64_t Integer(const char* what) { return Number<int64_t>(what, " is not a whole number: '"); }
  double Real(const char* what) { return Number<double>(what, " is not a number: '"); }

  /// The offset of the data: past the single whitespace byte after the last token.
  size_t DataStart() const { return m_pos + 1; }

 private:
  template <typename T>
  T Number(const char* what, const char* isNot) {
    const std::string_view text = Token(what);
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
      throw CFormatError(std::string("PFM ") + what + isNot + std::string(text.substr(0, 32)) + "'");
    }
    return value;
  }

  static bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

  std::string_view m_bytes;
  size_t m_pos = 0;
};

float ReadFloat(const char* bytes, bool littleEndian) {
  uint32_t bits = 0;
  std::memcpy(&bits, bytes, sizeof bits);
  if (littleEndian != (std::endian::native == std::endian::little)) {
    bits = (bits >> 24) | ((bits >> 8) & 0xff00u) | ((bits << 8) & 0xff0000u) | (bits << 24);
  }
  return std::bit_cast<float>(bits);
}

}  // namespace

std::string EncodePfm(const WarpMap& map) {
  CheckMapSize(map.width, map.height);
  if (map.xy.size() != 2 * size_t(map.width) * size_t(map.height)) {
    throw CFormatError("map data does not match its size");
  }
  // OpenCV keeps a Mat's channels as B, G, R and writes them to the file as
  // R, G, B: the Mat holds (inside, y, x) so that the file holds (x, y, inside).
  cv::Mat image(map.height, map.width, CV_32FC3);
  for (int32_t r = 0; r < map.height; ++r) {
    auto* row = image.ptr<cv::Vec3f>(r);
    for (int32_t c = 0; c < map.width; ++c) {
      const size_t k = size_t(r) * size_t(map.width) + size_t(c);
      const bool inside = map.Inside(k);
      const float nan = std::numeric_limits<float>::quiet_NaN();
      row[c] = cv::Vec3f(inside ? 1.0f : 0.0f, inside ? map.xy[2 * k + 1] : nan,
                         inside ? map.xy[2 * k] : nan);
    }
  }
  std::vector<uchar> bytes;
  if (!cv::imencode(".pfm", image, bytes)) throw CFormatError("OpenCV could not encode the PFM");
  return std::string(bytes.begin(), bytes.end());
}

WarpMap DecodePfm(std::string_view bytes) {
  CHeaderReader header(bytes);
  const std::string_view magic = header.Token("type");
  if (magic == "Pf") throw CFormatError("PFM holds 1 channel; a warp map needs 3 (x, y, inside)");
  if (magic != "PF") throw CFormatError("not a PFM: it starts with neither 'PF' nor 'Pf'");
  const int64_t width = header.Integer("width");
  const int64_t height = header.Integer("height");
  const double scale = header.Real("scale");
  if (!std::isfinite(scale) || scale == 0.0) {
    throw CFormatError("PFM scale must be a finite non-zero number (its sign gives the byte order)");
  }
  CheckMapSize(width, height);
  const size_t expected = size_t(width) * size_t(height) * kChannels * sizeof(float);
  const size_t start = header.DataStart();
  const size_t available = bytes.size() > start ? bytes.size() - start : 0;
  if (available != expected) {
    throw CFormatError("PFM data holds " + std::to_string(available) + " bytes; " +
                       std::to_string(width) + " x " + std::to_string(height) +
                       " pixels of 3 floats need " + std::to_string(expected) +
                       (available < expected ? " (truncated)" : ""));
  }
  const bool littleEndian = scale < 0.0;
  WarpMap map{int32_t(width), int32_t(height), {}};
  map.xy.resize(2 * size_t(width) * size_t(height));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (int64_t fileRow = 0; fileRow < height; ++fileRow) {
    const char* in = bytes.data() + start + size_t(fileRow) * size_t(width) * kChannels * 4;
    float* out = map.xy.data() + 2 * size_t(height - 1 - fileRow) * size_t(width);
    for (int64_t c = 0; c < width; ++c, in += kChannels * 4, out += 2) {
      const float x = ReadFloat(in, littleEndian);
      const float y = ReadFloat(in + 4, littleEndian);
      const float flag = ReadFloat(in + 8, littleEndian);
      const bool inside = flag > 0.0f && std::isfinite(x) && std::isfinite(y);
      out[0] = inside ? x : nan;
      out[1] = inside ? y : nan;
    }
  }
  return map;
}

}  // namespace kvogc::warpmap
