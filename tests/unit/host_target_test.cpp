// The host-side target: commands carry geometry in, requests read it back, and
// a file it is told to load becomes its geometry.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "geometry/GeoObjTextReader.h"
#include "geometry/GeoObjTextSplitter.h"
#include "geometry/GeoObjTextWriter.h"
#include "host/GeoObjHostTarget.h"
#include "host/KvoRef.h"
#include "modules/SiblingModule.h"

namespace kvogc {
namespace {

using host::CGeoObjHostTarget;
using host::CKvoRef;

struct Modules {
  SiblingModule quorvel{"Quorvel.dll"};
  SiblingModule dunsgate{"Dunsgate.dll"};

  CKvoRef<IGeoObjCommand> NewCommand() const {
    CKvoRef<IGeoObjCommand> command;
    EXPECT_EQ(dunsgate.CreateInstance(kClsidGeoObjCommand, kIidGeoObjCommand,
                                      reinterpret_cast<void**>(command.Out())),
              KVOGC_OK);
    return command;
  }
};

CKvoRef<IGeoObjChannel> ChannelOf(IGeoObjTarget* target) {
  CKvoRef<IGeoObjChannel> channel;
  EXPECT_EQ(target->GetChannel(channel.Out()), KVOGC_OK);
  return channel;
}

// What the library does to read a target: a kind-1 request, then reply 0.
std::string ReadBack(const Modules& modules, IGeoObjTarget* target) {
  CKvoRef<IGeoObjChannel> channel = ChannelOf(target);
  CKvoRef<IGeoObjCommand> command = modules.NewCommand();
  EXPECT_EQ(channel->ExecuteRequest(1, command.Get()), KVOGC_OK);
  uint64_t length = 0;
  const char* text = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(command->GetReply(0, &length, &text, 0, &size), KVOGC_OK);
  return text != nullptr ? std::string(text) : std::string();
}

TEST(HostTarget, CommandCarriesTextInAndRequestReadsItBack) {
  Modules modules;
  auto target = CKvoRef<CGeoObjHostTarget>::Adopt(CGeoObjHostTarget::Create());
  ASSERT_TRUE(target);
  EXPECT_EQ(ReadBack(modules, target.Get()), "");  // a projector with no geometry yet
  EXPECT_EQ(target->CommandCount(), 0);

  const std::string text = "# WARP\ng warp_white\n#auto 0\nv 0.5 0.5 0\n";
  CKvoRef<IGeoObjCommand> command = modules.NewCommand();
  // The delivered bytes include the NUL; anything after it is not text.
  const std::string bytes = text + std::string(1, '\0') + "junk";
  ASSERT_EQ(command->SetRequest(1, bytes.data(), static_cast<uint32_t>(bytes.size())), KVOGC_OK);
  ASSERT_EQ(ChannelOf(target.Get())->ExecuteCommand(command.Get()), KVOGC_OK);
  EXPECT_EQ(target->CurrentGeometry(), text);
  EXPECT_EQ(target->CommandCount(), 1);

  EXPECT_EQ(ReadBack(modules, target.Get()), text);
  EXPECT_EQ(target->RequestCount(), 2);
}

TEST(HostTarget, RefusesWhatItCannotExecute) {
  Modules modules;
  auto target = CKvoRef<CGeoObjHostTarget>::Adopt(CGeoObjHostTarget::Create());
  target->SetCurrentGeometry("kept");
  CKvoRef<IGeoObjChannel> channel = ChannelOf(target.Get());
  CKvoRef<IGeoObjCommand> empty = modules.NewCommand();
  EXPECT_EQ(channel->ExecuteCommand(empty.Get()), KVOGC_E_FAIL);  // the command's own status
  ASSERT_EQ(empty->SetRequest(2, "x", 2), KVOGC_OK);
  EXPECT_EQ(channel->ExecuteCommand(empty.Get()), KVOGC_E_INVALIDARG);  // not a geometry
  EXPECT_EQ(channel->ExecuteCommand(nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(channel->ExecuteRequest(2, empty.Get()), KVOGC_E_INVALIDARG);
  EXPECT_EQ(channel->ExecuteRequest(1, nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(target->GetChannel(nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(target->CurrentGeometry(), "kept");
  EXPECT_EQ(target->CommandCount(), 0);
  EXPECT_EQ(target->RequestCount(), 0);
  EXPECT_EQ(target->Reserved3(), KVOGC_E_NOTIMPL);
  EXPECT_EQ(target->Reserved17(), KVOGC_E_NOTIMPL);
  EXPECT_EQ(channel->Reserved5(), KVOGC_E_NOTIMPL);
}

TEST(HostTarget, ChannelKeepsItsTargetAlive) {
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

TEST(HostTarget, LoadsTheFileItIsToldTo) {
  auto target = CKvoRef<CGeoObjHostTarget>::Adopt(CGeoObjHostTarget::Create());
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "kvogc_host_target_test.obj";
  const std::string text = "# WARP\n#auto 0\nv 1 0 0\n";
  {
    std::ofstream file(path, std::ios::binary);
    file.write(text.c_str(), static_cast<std::streamsize>(text.size() + 1));  // NUL written too
  }
  ASSERT_EQ(target->LoadGeoObjFile(path.string().c_str()), KVOGC_OK);
  EXPECT_EQ(target->CurrentGeometry(), text);
  EXPECT_EQ(target->LastLoadedPath(), path.string());
  std::filesystem::remove(path);

  // A file that is not there is recorded but changes nothing.
  EXPECT_EQ(target->LoadGeoObjFile(path.string().c_str()), KVOGC_E_FAIL);
  EXPECT_EQ(target->LastLoadedPath(), path.string());
  EXPECT_EQ(target->CurrentGeometry(), text);
  EXPECT_EQ(target->LoadGeoObjFile(nullptr), KVOGC_E_INVALIDARG);
}

// A plain delivery and a read back, as the sender and the manager drive them.
TEST(HostTarget, DeliveredGeometryReadsBackAsItWasWritten) {
  Modules modules;
  auto target = CKvoRef<CGeoObjHostTarget>::Adopt(CGeoObjHostTarget::Create());
  const GridSize panel{1920, 1080};
  CWarpGridReal base;
  CWarpGridReal current;
  base.Create(panel, {2, 2});
  current.Create(panel, {2, 2});
  base.At(1, 1) = {1000.0, 500.0};
  GeoObjTextInput in;
  in.panelSize = panel;
  in.realGridNum = {2, 2};
  in.current = &current;
  in.previous = &base;
  in.comment.Angle = 45;
  std::string text;
  ASSERT_EQ(WriteGeoObjText(in, text), KVOGC_OK);
  const auto n = static_cast<uint32_t>(text.size() + 1);

  CKvoRef<IGeoObjBuffer> buffer;
  ASSERT_EQ(modules.quorvel.CreateInstance(kClsidGeoObjBuffer, kIidGeoObjBuffer,
                                           reinterpret_cast<void**>(buffer.Out())),
            KVOGC_OK);
  void* write = nullptr;
  uint32_t capacity = 0;
  ASSERT_EQ(buffer->Allocate(n), KVOGC_OK);
  ASSERT_EQ(buffer->GetWritePointer(&write, &capacity), KVOGC_OK);
  std::memcpy(write, text.c_str(), n);
  ASSERT_EQ(buffer->Commit(write, n), KVOGC_OK);
  const void* data = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(buffer->GetData(&data, &size), KVOGC_OK);
  CKvoRef<IGeoObjCommand> command = modules.NewCommand();
  ASSERT_EQ(command->SetRequest(1, data, size), KVOGC_OK);
  ASSERT_EQ(ChannelOf(target.Get())->ExecuteCommand(command.Get()), KVOGC_OK);

  const std::string reply = ReadBack(modules, target.Get());
  EXPECT_EQ(reply, text);
  GeoCommentRecord comment;
  CWarpGridReal read;
  read.Create(panel, {2, 2});
  ASSERT_EQ(ParseGeoObjText(reply, {panel, false}, comment, read), KVOGC_OK);
  EXPECT_EQ(comment.Angle, 45);
  EXPECT_NEAR(read.At(1, 1).x, 1000.0, 1e-3);
  EXPECT_NEAR(read.At(1, 1).y, 500.0, 1e-3);
  std::string header;
  std::string tail;
  ASSERT_EQ(SplitGeoObjText(reply, kGeoHeaderCapacity, GeoTailCapacity({2, 2}), header, tail),
            KVOGC_OK);
  EXPECT_EQ(header, "# WARP\n#auto 0\n");
  EXPECT_EQ(tail.substr(tail.find("f ")),
            "f 7/7 8/8 5/5 4/4\nf 8/8 9/9 6/6 5/5\nf 4/4 5/5 2/2 1/1\nf 5/5 6/6 3/3 2/2\n");
}

}  // namespace
}  // namespace kvogc
