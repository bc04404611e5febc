// Restoring corrections from a comment record: settings recovered from one
// manager's record, given to a second manager, store the same record again.
#include <gtest/gtest.h>

#include <array>

#include "CommentRecord.h"

namespace kvogc::tool {
namespace {

using Record = std::array<int32_t, kCommentFieldCount>;

class Manager {
 public:
  explicit Manager(GridSize panel) : m_handle(kvogcInitLibrary()) {
    const GridSize real{8, 6}, ope{2, 2};
    EXPECT_EQ(kvogcGridManager_SetParam(m_handle, &panel, &panel, &real, &ope, &ope, 600, 600, 0),
              KVOGC_OK);
  }
  ~Manager() { kvogcFinishLibrary(m_handle); }
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;
  operator kvogcManager*() const { return m_handle; }
  Record Comment() const {
    Record record{};
    EXPECT_EQ(kvogcGridManager_GetGeoObjComment(m_handle, record.data()), KVOGC_OK);
    return record;
  }

 private:
  kvogcManager* m_handle;
};

Record RestoredInto(const Record& source, GridSize panel, HostCorrections* out = nullptr) {
  const HostCorrections corrections = CorrectionsFromRecord(source, panel);
  if (out != nullptr) *out = corrections;
  Manager copy(panel);
  std::string_view failed;
  EXPECT_EQ(ApplyHostCorrections(copy, corrections, &failed), KVOGC_OK) << failed;
  return copy.Comment();
}

TEST(CommentRecord, FourCornerSettingsRoundTripThroughTheSetters) {
  const GridSize panel{1920, 1080};
  Manager original(panel);
  const double leftUp[2] = {0.031, 0.047}, rightUp[2] = {0.9713, 0.0219},
               rightLow[2] = {0.9577, 0.9688}, leftLow[2] = {0.0123, 0.9491};
  ASSERT_EQ(kvogcGridManager_SetLinearity(original, 6.3, -4.07), KVOGC_OK);
  // Values such as 0.29 and 0.57 sit just below their hundredths in binary.
  ASSERT_EQ(kvogcGridManager_SetPinCushion(original, leftUp, rightUp, rightLow, leftLow, 0.29,
                                           0.57, -0.13, -0.2, 0),
            KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_Set4CornerRotation(original, 1.37, 0), KVOGC_OK);
  const Record record = original.Comment();
  ASSERT_NE(record[8], 0);
  ASSERT_NE(record[10], 0);

  HostCorrections corrections;
  EXPECT_EQ(RestoredInto(record, panel, &corrections), record);
  EXPECT_FALSE(corrections.keystoneScreen);
  EXPECT_NEAR(corrections.linearityVertical, 6.3, 90.0 / 127.0);
  EXPECT_NEAR(corrections.leftUp[0], 0.031, 1.0 / (10 * 1920));
  EXPECT_NEAR(corrections.rightLow[1], 0.9688, 1.0 / (10 * 1080));
  EXPECT_NEAR(corrections.upper, 0.57, 0.01);
  EXPECT_NEAR(corrections.cornerRolling, 1.37, 0.01);
}

TEST(CommentRecord, KeystoneSettingsRoundTripThroughTheSetters) {
  const GridSize panel{1280, 800};
  Manager original(panel);
  ASSERT_EQ(kvogcGridManager_SetGeoAdjMode(original, 1), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_SetKeyStoneMode(original, 1), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_SetKeyStone(original, 12.3, -8.7, 0.29, 1.7, 45, -30, 0, 1), KVOGC_OK);
  const Record record = original.Comment();
  ASSERT_EQ(record[25], 1) << "IsKeyStone";

  HostCorrections corrections;
  const Record restored = RestoredInto(record, panel, &corrections);
  EXPECT_TRUE(corrections.keystoneScreen);
  EXPECT_NEAR(corrections.th, 1.7, 0.1);
  EXPECT_EQ(corrections.keyStoneIsFitSize, 1);
  // The keystone fields come back; ScreenType and IsKeyStone are the host's own choice.
  for (size_t i = 17; i <= 23; ++i) EXPECT_EQ(restored[i], record[i]) << CommentFieldNames()[i];
}

TEST(CommentRecord, ADefaultRecordGivesNeutralSettings) {
  Record record{};
  record[21] = 20;  // Th
  record[26] = record[27] = 2;
  const HostCorrections c = CorrectionsFromRecord(record, GridSize{1920, 1080});
  EXPECT_EQ(c.linearityVertical, 0.0);
  EXPECT_EQ(c.rightUp, (std::array<double, 2>{1.0, 0.0}));
  EXPECT_EQ(c.rightLow, (std::array<double, 2>{1.0, 1.0}));
  EXPECT_EQ(c.leftLow, (std::array<double, 2>{0.0, 1.0}));
  EXPECT_EQ(c.th, 2.0);
  EXPECT_EQ(c.cornerRolling, 0.0);
}

}  // namespace
}  // namespace kvogc::tool
