#include "manager/GridLayout.h"

#include <cstdint>
#include <initializer_list>

namespace kvogc {

namespace {

constexpr int64_t kInt32Max = INT32_MAX;
constexpr int64_t kPointBytes = 2 * sizeof(double);
constexpr int64_t kNodeBytes = 4 * sizeof(double);

// Product of the factors, or -1 once it passes the limit.
int64_t BoundedProduct(std::initializer_list<int64_t> factors, int64_t limit) {
  int64_t product = 1;
  for (int64_t f : factors) {
    if (f < 0 || (f != 0 && product > limit / f)) return -1;
    product *= f;
  }
  return product;
}

int64_t CountablePoints(std::initializer_list<int64_t> factors, int64_t bytesPerPoint) {
  return BoundedProduct(factors, kInt32Max / bytesPerPoint);
}

}  // namespace

bool IsPositiveSize(const GridSize* size) {
  return size != nullptr && size->cx > 0 && size->cy > 0;
}

int64_t GridPointCapacity(const GridSize& divisions, int64_t bytesPerPoint) {
  return CountablePoints({int64_t{divisions.cx} + 1, int64_t{divisions.cy} + 1}, bytesPerPoint);
}

int64_t HorizontalLineCapacity(const GridSize& real, const GridSize& ope) {
  return CountablePoints({int64_t{real.cx / ope.cx} + 3, int64_t{ope.cy} + 1, int64_t{ope.cx}},
                         kPointBytes);
}

int64_t VerticalLineCapacity(const GridSize& real, const GridSize& ope) {
  return CountablePoints({int64_t{real.cy / ope.cy} + 3, int64_t{ope.cx} + 1, int64_t{ope.cy}},
                         kPointBytes);
}

bool OpeLayoutFits(const GridSize& real, const GridSize& ope) {
  return GridPointCapacity(ope, kNodeBytes) >= 0 && HorizontalLineCapacity(real, ope) >= 0 &&
         VerticalLineCapacity(real, ope) >= 0;
}

bool RealLayoutFits(const GridSize& real) { return GridPointCapacity(real, kPointBytes) >= 0; }

}  // namespace kvogc
