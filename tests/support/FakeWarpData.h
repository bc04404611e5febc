// A core model data object of another make, living on the test's stack: its
// planes keep the points in the order they are stored (row by row), and every
// Prepare and SetPoint is logged, in order, in one list.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kvogc/kvogc_modules.hpp"

namespace kvogc::test {

class FakeWarpData final : public IWarpData {
 public:
  /// {plane, row, column, x} of a SetPoint; {plane, -1, -1, 0} of a Prepare.
  using Call = std::array<double, 4>;

  class Plane final : public IWarpPlane {
   public:
    int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }  // owned by the data object
    int32_t Prepare() override {
      points.clear();
      columns = rows = 0;
      owner->calls.push_back({double(index), -1, -1, 0});
      return KVOGC_OK;
    }
    int32_t GetSize(int32_t* c, int32_t* r) override {
      *c = columns, *r = rows;
      return KVOGC_OK;
    }
    int32_t SetPoint(int32_t r, int32_t c, const double* p) override {
      if (r == 0 && c >= columns) columns = c + 1;  // the first row sets the width
      if (r * columns + c != static_cast<int32_t>(points.size())) return KVOGC_E_INVALIDARG;
      rows = r + 1;
      points.push_back({p[0], p[1]});
      owner->calls.push_back({double(index), double(r), double(c), p[0]});
      return KVOGC_OK;
    }
    int32_t GetPoint(int32_t r, int32_t c, double* p) override {
      const int32_t k = r * columns + c;
      if (k == failAt) return static_cast<int32_t>(0x80AA0001);
      if (r < 0 || c < 0 || r >= rows || c >= columns) return KVOGC_E_INVALIDARG;
      p[0] = points[static_cast<size_t>(k)][0], p[1] = points[static_cast<size_t>(k)][1];
      return KVOGC_OK;
    }

    FakeWarpData* owner = nullptr;
    int index = 0;
    uint32_t refs = 1;
    int32_t columns = 0, rows = 0;
    int32_t failAt = -1;  ///< GetPoint of this row-by-row index fails with 0x80AA0001
    std::vector<std::array<double, 2>> points;
  };

  FakeWarpData() {
    for (size_t p = 0; p < planes.size(); ++p) planes[p].owner = this, planes[p].index = int(p);
  }
  FakeWarpData(const FakeWarpData&) = delete;
  FakeWarpData& operator=(const FakeWarpData&) = delete;

  int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }
  int32_t Initialize(int32_t, const void*) override { return KVOGC_OK; }
  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved6() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved7() override { return KVOGC_E_NOTIMPL; }
  int32_t GetPlane(int32_t index, IWarpPlane** plane) override {
    if (index == failPlane) return KVOGC_E_FAIL;
    if (index < 0 || index > 2) return KVOGC_E_INVALIDARG;
    planes[static_cast<size_t>(index)].AddRef();
    *plane = &planes[static_cast<size_t>(index)];
    return KVOGC_OK;
  }
  int32_t Reserved9() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved10() override { return KVOGC_E_NOTIMPL; }
  int32_t SetParamBlock(const void* b, int32_t k, int32_t t) override {
    if (b == nullptr) return KVOGC_E_INVALIDARG;
    std::memcpy(block.data(), b, block.size());
    isKeyStone = k, screenType = t;
    return KVOGC_OK;
  }
  int32_t GetParamBlock(void* b) override {
    if (b == nullptr) return KVOGC_E_INVALIDARG;
    std::memcpy(b, block.data(), block.size());
    return KVOGC_OK;
  }

  uint32_t refs = 1;
  int32_t failPlane = -1;  ///< GetPlane of this index fails
  int32_t isKeyStone = -1, screenType = -1;
  std::array<uint8_t, 124> block{};
  std::vector<Call> calls;
  std::array<Plane, 3> planes;
};

}  // namespace kvogc::test
