// Telling a warp geometry text's layout before the library reads it.
#include <gtest/gtest.h>

#include "GeoFileProbe.h"
#include "ToolError.h"

namespace kvogc::tool {
namespace {

std::string PrevLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "#prev 0.000000 1.000000 0.000000\n";
  return text;
}

TEST(GeoProbe, PlainLayoutTakesItsColumnsFromTheFirstFace) {
  // A 2x2 grid writes the single face "f 3/3 4/4 2/2 1/1".
  const GeoTextLayout small = ProbeGeoText("# WARP\n" + PrevLines(4) + "v 0 0 0\nf 3/3 4/4 2/2 1/1\n");
  EXPECT_EQ(small.prevPoints, 4u);
  EXPECT_EQ(small.vertices, 1u);
  EXPECT_EQ(small.columns, 2);
  EXPECT_EQ(RealGridNumOf(small, std::nullopt, "w.obj").cx, 1);

  // 5 columns, 3 rows: the first face is of cell (1, 0): i(2,0)=11, 12, i(1,1)=7, i(1,0)=6.
  const GeoTextLayout wide = ProbeGeoText(PrevLines(15) + "f 11/11 12/12 7/7 6/6\r\nf 12/12 13/13 8/8 7/7\r\n");
  EXPECT_EQ(wide.columns, 5);
  const GridSize real = RealGridNumOf(wide, std::nullopt, "w.obj");
  EXPECT_EQ(real.cx, 4);
  EXPECT_EQ(real.cy, 2);
}

TEST(GeoProbe, ProjectorLayoutAndHeaderHints) {
  const GeoTextLayout layout =
      ProbeGeoText("#gridsize 3 2\n#projectorsize 1280 800\n#GUIGridCount 5 4\n" + PrevLines(6) +
                   "f 1/1// 4/4// 2/2//\nf 4/4// 2/2// 5/5//\n");
  EXPECT_EQ(layout.columns, 3);
  ASSERT_TRUE(layout.projectorSize);
  EXPECT_EQ(layout.projectorSize->cx, 1280);
  ASSERT_TRUE(layout.guiGridCount);
  EXPECT_EQ(layout.guiGridCount->cx, 4) << "the text shows divisions + 1";
  EXPECT_EQ(layout.guiGridCount->cy, 3);

  const GeoTextLayout triangles = ProbeGeoText(PrevLines(6) + "f 1/1// 4/4// 2/2//\n");
  EXPECT_EQ(triangles.columns, 3);
}

TEST(GeoProbe, StopsAtTheTerminatingNul) {
  const std::string text = PrevLines(4) + "f 3/3 4/4 2/2 1/1\n" + std::string(1, '\0') + PrevLines(3);
  EXPECT_EQ(ProbeGeoText(text).prevPoints, 4u);
}

TEST(GeoProbe, InconsistentOrUnknownLayoutsAreRejected) {
  const auto errorOf = [](const GeoTextLayout& layout, std::optional<GridSize> grid) {
    try {
      RealGridNumOf(layout, grid, "w.obj");
    } catch (const CToolError& error) {
      EXPECT_EQ(error.Status(), kExitBadInput);
      return std::string(error.what());
    }
    return std::string();
  };
  EXPECT_EQ(errorOf(ProbeGeoText("hello\n"), std::nullopt),
            "w.obj: no \"#prev\" lines; not a warp geometry text");
  EXPECT_EQ(errorOf(ProbeGeoText(PrevLines(6)), std::nullopt),
            "w.obj: the file does not tell its points per row; give --grid XxY");
  EXPECT_EQ(errorOf(ProbeGeoText(PrevLines(7) + "f 3/3 4/4 2/2 1/1\n"), std::nullopt),
            "w.obj: 7 points do not make rows of 2; give --grid XxY");
  EXPECT_EQ(errorOf(ProbeGeoText(PrevLines(6)), GridSize{2, 2}),
            "w.obj: the grid 2x2 has 9 points, the file 6");
  // The override decides when it fits.
  EXPECT_EQ(RealGridNumOf(ProbeGeoText(PrevLines(6)), GridSize{1, 2}, "w.obj").cy, 2);
  EXPECT_NE(errorOf(ProbeGeoText(PrevLines(1028) + "f 515/515 516/516 2/2 1/1\n"), std::nullopt)
                .find("larger than 512 divisions"),
            std::string::npos);
}

}  // namespace
}  // namespace kvogc::tool
