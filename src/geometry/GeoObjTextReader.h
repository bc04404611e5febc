// Reads a warp geometry text back: the comment lines into a GeoCommentRecord
// and the "#prev" lines into the base real grid the corrections start from.
// "v", "vt" and "f" lines are never read: the corrected grid is recomputed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "geometry/GeoCommentRecord.h"
#include "grid/WarpGridReal.h"
#include "kvogc/kvogc.h"

namespace kvogc {

struct GeoObjReadOptions {
  GridSize panelSize{0, 0};  ///< W, H: "#prev" values are fractions of the panel
  /// Projector layout (a projector manager with a non-zero projectorFlag): "#prev"
  /// y is stored downwards, y = H * py, instead of H * (1 - py).
  bool unflippedY = false;
};

/// Applies lines one at a time, keeping the section flags and the point
/// counter between them; the record and the points are collected here and
/// written to the caller's state by Commit. Suits a whole text as well as a
/// file read line by line.
///
/// Failures (KVOGC_E_INVALIDARG; the reader then ignores further lines):
/// - a "#prev " line whose second or third piece holds no number, or one outside
///   the float range: Commit still writes what the lines before it set, as a
///   read stopped at that line leaves it;
/// - an integer outside int32 or a float outside its range in a comment line,
///   or a GUIGridCount decrement below INT32_MIN: the read is rejected and
///   Commit changes nothing.
/// "#prev " lines beyond the grid's points are ignored.
class CGeoObjTextReader {
 public:
  /// `start` is the record the lines modify (the defaults for a whole text,
  /// the manager's record for a file analysis); `gridPoints` bounds the points.
  CGeoObjTextReader(const GeoObjReadOptions& options, const GeoCommentRecord& start,
                    size_t gridPoints);

  /// One line without its line end. KVOGC_OK or KVOGC_E_INVALIDARG.
  int32_t ReadLine(std::string_view line);

  /// Writes the outcome into the caller's record and grid (point k of the text
  /// becomes grid point k, row by row) and returns the read's status. The grid
  /// must have at least the points given at construction.
  int32_t Commit(GeoCommentRecord& comment, CWarpGridReal& grid) const;

  const GeoCommentRecord& Comment() const { return m_comment; }
  std::span<const RealPoint> Points() const { return m_points; }
  bool Failed() const { return m_failure != Failure::kNone; }

 private:
  enum class Section { kNone, kFourCorner, kKeyStone };
  enum class Failure { kNone, kBadNumber, kRejected };

  int32_t Fail(Failure failure);
  int32_t ReadPrev(std::string_view line);
  int32_t ReadComment(std::string_view line);
  int32_t ScanInts(std::string_view line, std::string_view literal,
                   std::span<int32_t* const> fields);
  int32_t ScanCorner(std::string_view line, std::string_view literal, int32_t& field,
                     bool invert);

  float m_width;
  float m_height;
  bool m_unflippedY;
  size_t m_gridPoints;
  GeoCommentRecord m_comment;
  std::vector<RealPoint> m_points;
  Section m_section = Section::kNone;
  Failure m_failure = Failure::kNone;
};

/// Reads a whole text (up to its first NUL): resets `comment` to the defaults,
/// then applies every line; "#prev" points replace the first points of
/// `realBase`, the others keep theirs. Returns KVOGC_OK or KVOGC_E_INVALIDARG
/// with the outcome described at CGeoObjTextReader.
int32_t ParseGeoObjText(std::string_view text, const GeoObjReadOptions& options,
                        GeoCommentRecord& comment, CWarpGridReal& realBase);

}  // namespace kvogc
