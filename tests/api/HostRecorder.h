// A host's view of the callbacks: records every report in order, per manager
// slot, so that tests can check orders, counts and copies of the arrays.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kvogc/kvogc.h"

namespace kvogc::test {

struct Report {
  char kind;  // 'R' real grid, 'O' operation grid, 'D' display grid
  std::vector<double> points;
  std::vector<double> hLines;
  std::vector<double> vLines;
  int32_t a = 0;  // divX or hCount
  int32_t b = 0;  // divY or vCount
};

struct HostRecorder {
  std::vector<Report> reports;
  GridSize ope{0, 0};   // to size the copies of the node array
  GridSize disp{0, 0};  // to size the copies of the display lines

  std::string Order() const {
    std::string order;
    for (const Report& r : reports) order += r.kind;
    return order;
  }
  const Report* Last(char kind) const {
    for (auto it = reports.rbegin(); it != reports.rend(); ++it) {
      if (it->kind == kind) return &*it;
    }
    return nullptr;
  }
};

/// Recorders for up to two managers; the callbacks carry no user data.
inline HostRecorder g_recorders[2];

// Copies of the reported arrays, sized from the counts the host set up.
inline std::vector<double> Copy(const double* p, int32_t rows, int32_t cols) {
  return {p, p + 2 * static_cast<size_t>(rows) * cols};
}

template <int Slot>
void OnReal(double* points, int32_t divX, int32_t divY) {
  g_recorders[Slot].reports.push_back({'R', Copy(points, divY + 1, divX + 1), {}, {}, divX, divY});
}

template <int Slot>
void OnOpe(double* points, double* hLines, double* vLines, int32_t hCount, int32_t vCount) {
  const GridSize ope = g_recorders[Slot].ope;
  g_recorders[Slot].reports.push_back({'O', Copy(points, ope.cy + 1, ope.cx + 1),
                                       Copy(hLines, hCount, ope.cy + 1),
                                       Copy(vLines, vCount, ope.cx + 1), hCount, vCount});
}

template <int Slot>
void OnDisp(double* hLines, double* vLines, int32_t hCount, int32_t vCount) {
  const GridSize disp = g_recorders[Slot].disp;
  g_recorders[Slot].reports.push_back({'D', {}, Copy(hLines, hCount, disp.cy + 1),
                                       Copy(vLines, vCount, disp.cx + 1), hCount, vCount});
}

/// x and y of point (row, col) of a real-grid report.
inline size_t At(const Report& r, int row, int col) { return 2 * (size_t(row) * (r.a + 1) + col); }
inline double X(const Report& r, int row, int col) { return r.points[At(r, row, col)]; }
inline double Y(const Report& r, int row, int col) { return r.points[At(r, row, col) + 1]; }

/// A manager handle released at scope end.
class Manager {
 public:
  explicit Manager(kvogcManager* handle) : m_handle(handle) {}
  Manager() : Manager(kvogcInitLibrary()) {}
  ~Manager() { kvogcFinishLibrary(m_handle); }
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;
  operator kvogcManager*() const { return m_handle; }

 private:
  kvogcManager* m_handle;
};

/// The manager's comment record, as a host reads it.
inline std::array<int32_t, 28> CommentOf(kvogcManager* m) {
  std::array<int32_t, 28> c{};
  kvogcGridManager_GetGeoObjComment(m, c.data());
  return c;
}

/// Registers slot `Slot`'s callbacks, clearing its recorder first.
template <int Slot>
int32_t Register(kvogcManager* m, GridSize ope, GridSize disp) {
  g_recorders[Slot] = HostRecorder{};
  g_recorders[Slot].ope = ope;
  g_recorders[Slot].disp = disp;
  return kvogcGridManager_RegistCallback(m, OnReal<Slot>, OnOpe<Slot>, OnDisp<Slot>);
}

/// SetParam with the same panel as device size and 600 px margins.
inline int32_t SetUpManager(kvogcManager* m, GridSize panel, GridSize real, GridSize disp, GridSize ope) {
  return kvogcGridManager_SetParam(m, &panel, &panel, &real, &disp, &ope, 600.0, 600.0, 0);
}

/// A manager whose reports go to recorder slot 0.
class HostTest : public ::testing::Test {
 protected:
  HostRecorder& rec() { return g_recorders[0]; }
  /// The final real grid, as the host sees it after a refresh.
  const Report& Refreshed() {
    EXPECT_EQ(kvogcGridManager_RefreshAllPoint(m), KVOGC_OK);
    return *rec().Last('R');
  }
  Manager m;
};

}  // namespace kvogc::test
