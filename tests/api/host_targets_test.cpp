// Delivery targets as hosts write them, outside the library's types: a C
// struct of function pointers (its own table, no type information shared with
// the library, which sanitizer builds must accept) and a C++ target that throws.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "api/HostRecorder.h"
#include "support/FakeTarget.h"
#include "support/PlainCTarget.h"

namespace kvogc::test {
namespace {


constexpr GridSize kPanel{1920, 1080};
constexpr GridSize kGrid{4, 4};

// Set up, with a linearity the comment record shows.
void Prepare(kvogcManager* m) {
  ASSERT_EQ(Register<0>(m, kGrid, kGrid), KVOGC_OK);
  ASSERT_EQ(SetUpManager(m, kPanel, kGrid, kGrid, kGrid), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_SetGeoAdjEnable(m, 1), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_SetLinearity(m, 45.0, -45.0), KVOGC_OK);
}

TEST(HostTargets, CTableTargetTakesTheTextAnswersReadsAndLoadsTheFile) {
  PlainCTarget* target = PlainCTargetCreate();
  ASSERT_NE(target, nullptr);
  {
    Manager sender;
    Prepare(sender);
    ASSERT_EQ(kvogcGridManager_SendGeoObjData(sender, target, 0), KVOGC_OK);
    ASSERT_TRUE(WaitFor([&] { return PlainCTargetDeliveries(target) == 1; }));
    EXPECT_NE(std::string(PlainCTargetText(target)).find("\nv "), std::string::npos);

    Manager reader;
    ASSERT_EQ(SetUpManager(reader, kPanel, kGrid, kGrid, kGrid), KVOGC_OK);
    ASSERT_EQ(kvogcGridManager_GetGeoObjData(reader, target), KVOGC_OK);
    EXPECT_EQ(CommentOf(reader)[8], -64);  // LinearityX: round(-45 / 90 * 127)
    EXPECT_EQ(CommentOf(reader), CommentOf(sender));

    Manager projector(kvogcInitProjectorLibrary());
    Prepare(projector);
    const std::string path = ::testing::TempDir() + "kvogc_c_target.obj";
    ASSERT_EQ(kvogcGridManager_SetGeoFilePath(projector, path.c_str()), KVOGC_OK);
    ASSERT_EQ(kvogcGridManager_SendGeoObjData(projector, target, 0), KVOGC_OK);
    ASSERT_TRUE(WaitFor([&] { return PlainCTargetDeliveries(target) == 2; }));
    EXPECT_EQ(std::string(PlainCTargetLoadedPath(target)), path);
  }
  EXPECT_EQ(PlainCTargetReferences(target), 1u);  // every reference taken was given back
  PlainCTargetRelease(target);
}

TEST(HostTargets, WorkerKeepsServingAfterATargetThrows) {
  Manager m;
  Prepare(m);
  FakeTarget broken;
  broken.onCommand = [] { throw std::runtime_error("host broke"); };  // on the worker
  ASSERT_EQ(kvogcGridManager_SendGeoObjData(m, &broken, 0), KVOGC_OK);
  // Tried, then dropped with every reference given back.
  ASSERT_TRUE(WaitFor([&] { return broken.refs == 1 && broken.channelRefs == 0; }));
  FakeTarget good;
  ASSERT_EQ(kvogcGridManager_SendGeoObjData(m, &good, 0), KVOGC_OK);
  EXPECT_TRUE(WaitFor([&] { return good.commands == 1; }));
}

}  // namespace
}  // namespace kvogc::test
