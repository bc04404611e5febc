// Stand-in for the core model module: warp-data objects that hold three planes
// of device points and the 124-byte parameter block that goes with them.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "kvogc/kvogc_modules.hpp"
#include "standin/common/Factory.h"
#include "standin/common/StandinObject.h"

namespace kvogc::standin {
namespace {

constexpr size_t kParamBlockBytes = 124;
constexpr int32_t kPlaneCount = 3;
// Far beyond any device grid; keeps a stray index from asking for gigabytes.
constexpr int32_t kMaxExtent = 1 << 16;
constexpr int64_t kMaxPoints = int64_t{1} << 24;

/// A plane that grows to hold the largest row and column stored; points never
/// stored read as (0, 0).
class WarpPlane final : public RefCounted<IWarpPlane> {
 public:
  int32_t Prepare() override {
    m_rows.clear();
    m_columns = 0;
    return KVOGC_OK;
  }

  int32_t GetSize(int32_t* columns, int32_t* rows) override {
    if (columns == nullptr || rows == nullptr) return KVOGC_E_INVALIDARG;
    *columns = m_columns;
    *rows = RowCount();
    return KVOGC_OK;
  }

  int32_t SetPoint(int32_t row, int32_t column, const double* point) override {
    if (point == nullptr || row < 0 || column < 0 || row >= kMaxExtent || column >= kMaxExtent) {
      return KVOGC_E_INVALIDARG;
    }
    const int32_t rows = std::max(row + 1, RowCount());
    const int32_t columns = std::max(column + 1, m_columns);
    if (int64_t{rows} * columns > kMaxPoints) return KVOGC_E_INVALIDARG;
    try {
      // Rows are grown before the column count is published, so a failure
      // part way leaves every visible point readable.
      if (columns > m_columns) {
        for (Row& r : m_rows) r.resize(static_cast<size_t>(columns));
        m_columns = columns;
      }
      m_rows.resize(static_cast<size_t>(rows), Row(static_cast<size_t>(columns)));
    } catch (const std::bad_alloc&) {
      return KVOGC_E_OUTOFMEMORY;
    }
    m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = {point[0], point[1]};
    return KVOGC_OK;
  }

  int32_t GetPoint(int32_t row, int32_t column, double* point) override {
    if (point == nullptr || row < 0 || column < 0 || row >= RowCount() || column >= m_columns) {
      return KVOGC_E_INVALIDARG;
    }
    const Point& p = m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
    point[0] = p[0];
    point[1] = p[1];
    return KVOGC_OK;
  }

 private:
  using Point = std::array<double, 2>;
  using Row = std::vector<Point>;

  int32_t RowCount() const { return static_cast<int32_t>(m_rows.size()); }

  std::vector<Row> m_rows;
  int32_t m_columns = 0;
};

class WarpData final : public RefCounted<IWarpData> {
 public:
  WarpData() {
    for (KvoRef<WarpPlane>& plane : m_planes) plane = KvoRef<WarpPlane>::Adopt(new WarpPlane);
  }

  // Starts afresh: empty planes and no block. Anything but the library's
  // (0, eight zero bytes) is refused, to catch a caller that drifts.
  int32_t Initialize(int32_t reserved, const void* zero8) override {
    if (reserved != 0 || zero8 == nullptr) return KVOGC_E_INVALIDARG;
    static constexpr std::array<uint8_t, 8> kZero{};
    if (std::memcmp(zero8, kZero.data(), kZero.size()) != 0) return KVOGC_E_INVALIDARG;
    for (KvoRef<WarpPlane>& plane : m_planes) plane->Prepare();
    m_block.fill(0);
    m_isKeyStone = 0;
    m_screenType = 0;
    return KVOGC_OK;
  }

  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved6() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved7() override { return KVOGC_E_NOTIMPL; }

  int32_t GetPlane(int32_t index, IWarpPlane** plane) override {
    if (plane == nullptr) return KVOGC_E_INVALIDARG;
    *plane = nullptr;
    if (index < 0 || index >= kPlaneCount) return KVOGC_E_INVALIDARG;
    *plane = KvoRef<WarpPlane>(m_planes[static_cast<size_t>(index)]).Detach();
    return KVOGC_OK;
  }

  int32_t Reserved9() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved10() override { return KVOGC_E_NOTIMPL; }

  int32_t SetParamBlock(const void* block, int32_t isKeyStone, int32_t screenType) override {
    if (block == nullptr) return KVOGC_E_INVALIDARG;
    std::memcpy(m_block.data(), block, m_block.size());
    m_isKeyStone = isKeyStone;
    m_screenType = screenType;
    return KVOGC_OK;
  }

  int32_t GetParamBlock(void* block) override {
    if (block == nullptr) return KVOGC_E_INVALIDARG;
    std::memcpy(block, m_block.data(), m_block.size());
    return KVOGC_OK;
  }

 private:
  // The data object holds one reference to each plane; callers of GetPlane
  // hold their own, so a plane outlives whichever lets go first.
  std::array<KvoRef<WarpPlane>, kPlaneCount> m_planes;
  std::array<uint8_t, kParamBlockBytes> m_block{};
  // Kept as a device would keep them; nothing reads them back.
  int32_t m_isKeyStone = 0;
  int32_t m_screenType = 0;
};

}  // namespace
}  // namespace kvogc::standin

KVOGC_MODULE_EXPORT int32_t DllCreateInstance(const kvogc::KvoGuid* classId,
                                              const kvogc::KvoGuid* interfaceId,
                                              void** object) {
  using namespace kvogc;
  using Entry = standin::ClassEntry<standin::WarpData, IWarpData>;
  return standin::CreateInstance(classId, interfaceId, object, Entry{kClsidWarpData, kIidWarpData});
}
