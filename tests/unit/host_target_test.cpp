// The host-side target: commands carry geometry in, requests read it back, and
// a file it is told to load becomes its geometry.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/GeoObjHostTarget.h"
#include "support/StandinObjects.h"

namespace kvogc {
namespace {

using host::CGeoObjHostTarget;

class HostTarget : public ::testing::Test {
 protected:
  KvoRef<IGeoObjCommand> NewCommand() const {
    return test::NewObject<IGeoObjCommand>(m_commands, kClsidGeoObjCommand, kIidGeoObjCommand);
  }
  KvoRef<IGeoObjChannel> Channel() {
    KvoRef<IGeoObjChannel> channel;
    EXPECT_EQ(m_target->GetChannel(channel.Out()), KVOGC_OK);
    return channel;
  }
  // What the library does to read a target: a kind-1 request, then reply 0.
  std::string ReadBack() {
    KvoRef<IGeoObjCommand> command = NewCommand();
    EXPECT_EQ(Channel()->ExecuteRequest(1, command.Get()), KVOGC_OK);
    const char* text = nullptr;
    uint64_t length = 0;
    uint32_t size = 0;
    EXPECT_EQ(command->GetReply(0, &length, &text, 0, &size), KVOGC_OK);
    return text != nullptr ? std::string(text) : std::string();
  }

  SiblingModule m_commands{"Dunsgate.dll"};
  KvoRef<CGeoObjHostTarget> m_target =
      KvoRef<CGeoObjHostTarget>::Adopt(CGeoObjHostTarget::Create());
};

TEST_F(HostTarget, CommandCarriesTextInAndRequestReadsItBack) {
  ASSERT_TRUE(m_target);
  EXPECT_EQ(ReadBack(), "");  // a projector with no geometry yet
  EXPECT_EQ(m_target->CommandCount(), 0);
  const std::string text = "# WARP\ng warp_white\n#auto 0\nv 0.5 0.5 0\n";
  KvoRef<IGeoObjCommand> command = NewCommand();
  // The delivered bytes include the NUL; anything after it is not text.
  const std::string bytes = text + std::string(1, '\0') + "junk";
  ASSERT_EQ(command->SetRequest(1, bytes.data(), static_cast<uint32_t>(bytes.size())), KVOGC_OK);
  ASSERT_EQ(Channel()->ExecuteCommand(command.Get()), KVOGC_OK);
  EXPECT_EQ(m_target->CurrentGeometry(), text);
  EXPECT_EQ(m_target->CommandCount(), 1);
  EXPECT_EQ(ReadBack(), text);
  EXPECT_EQ(m_target->RequestCount(), 2);
}

TEST_F(HostTarget, RefusesWhatItCannotExecute) {
  m_target->SetCurrentGeometry("kept");
  KvoRef<IGeoObjChannel> channel = Channel();
  KvoRef<IGeoObjCommand> empty = NewCommand();
  EXPECT_EQ(channel->ExecuteCommand(empty.Get()), KVOGC_E_FAIL);  // the command's own status
  ASSERT_EQ(empty->SetRequest(2, "x", 2), KVOGC_OK);
  EXPECT_EQ(channel->ExecuteCommand(empty.Get()), KVOGC_E_INVALIDARG);  // not a geometry
  EXPECT_EQ(channel->ExecuteCommand(nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(channel->ExecuteRequest(2, empty.Get()), KVOGC_E_INVALIDARG);
  EXPECT_EQ(channel->ExecuteRequest(1, nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(m_target->GetChannel(nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(m_target->CurrentGeometry(), "kept");
  EXPECT_EQ(m_target->CommandCount(), 0);
  EXPECT_EQ(m_target->RequestCount(), 0);
}

TEST(HostTargetReferences, ChannelKeepsItsTargetAlive) {
  IGeoObjTarget* target = CGeoObjHostTarget::Create();
  IGeoObjChannel* channel = nullptr;
  ASSERT_EQ(target->GetChannel(&channel), KVOGC_OK);
  EXPECT_EQ(target->AddRef(), 3u);  // the creator, the channel, this call
  EXPECT_EQ(target->Release(), 2u);
  EXPECT_EQ(target->Release(), 1u);  // the creator lets go; the channel still holds it
  EXPECT_EQ(channel->AddRef(), 2u);
  EXPECT_EQ(channel->Release(), 1u);
  EXPECT_EQ(channel->Release(), 0u);  // frees the channel and with it the target
}

}  // namespace
}  // namespace kvogc
