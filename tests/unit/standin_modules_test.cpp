// The stand-in modules' factories and reference counting, and the frame and
// command objects, loaded as the library loads them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "support/StandinObjects.h"

namespace kvogc {
namespace {

using test::NewObject;

constexpr int32_t kClassNotAvailable = static_cast<int32_t>(0x80040111);
constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002);

// Each module creates its own classes only, each through its own interface; a
// new object holds one reference and goes with the last.
TEST(StandinModules, FactoriesCheckIdsAndObjectsCountReferences) {
  const struct {
    const char* module;
    const KvoGuid& classId;
    const KvoGuid& interfaceId;
    int32_t status;
  } cases[] = {
      {"Quorvel.dll", kClsidGeoObjBuffer, kIidGeoObjBuffer, KVOGC_OK},
      {"Quorvel.dll", kClsidGeoObjCommand, kIidGeoObjBuffer, kClassNotAvailable},
      {"Quorvel.dll", kClsidGeoObjBuffer, kIidGeoObjCommand, kNoInterface},
      {"Dunsgate.dll", kClsidGeoObjCommand, kIidGeoObjCommand, KVOGC_OK},
      {"Dunsgate.dll", kClsidGeoObjBuffer, kIidGeoObjCommand, kClassNotAvailable},
      {"Dunsgate.dll", kClsidGeoObjCommand, kIidGeoObjBuffer, kNoInterface},
      {"Dunsgate.dll", kClsidWarpData, kIidWarpData, kClassNotAvailable},
      {"Calvoric.dll", kClsidWarpData, kIidWarpData, KVOGC_OK},
      {"Calvoric.dll", kClsidWarpData, kIidWarpDataSetter, kNoInterface},
      {"Calvoric.dll", kClsidWarpDataSetter, kIidWarpDataSetter, kClassNotAvailable},
      {"Brindmoor.dll", kClsidWarpDataSetter, kIidWarpDataSetter, KVOGC_OK},
      {"Brindmoor.dll", kClsidWarpDataGetter, kIidWarpDataGetter, KVOGC_OK},
      {"Brindmoor.dll", kClsidWarpDataSetter, kIidWarpDataGetter, kNoInterface},
      {"Brindmoor.dll", kClsidWarpDataGetter, kIidWarpDataSetter, kNoInterface},
      {"Brindmoor.dll", kClsidWarpData, kIidWarpData, kClassNotAvailable},
      {"Brindmoor.dll", kClsidGeoObjBuffer, kIidGeoObjBuffer, kClassNotAvailable},
  };
  const std::string folder =
      std::filesystem::path(platform::OwnModulePath()).parent_path().string();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.module);
    const SiblingModule module(c.module);
    void* object = &object;
    ASSERT_EQ(module.CreateInstance(c.classId, c.interfaceId, &object), c.status);
    if (c.status < 0) {
      EXPECT_EQ(object, nullptr);
      continue;
    }
    // Every interface begins with IKvoUnknown's positions: counted through it alike.
    auto* counted = static_cast<IKvoUnknown*>(object);
    EXPECT_EQ(counted->AddRef(), 2u);  // one for the creator, one more
    EXPECT_EQ(counted->AddRef(), 3u);
    EXPECT_EQ(counted->Release(), 2u);
    EXPECT_EQ(counted->Release(), 1u);
    void* other = &other;
    EXPECT_LT(counted->QueryInterface(&c.interfaceId, &other), 0);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(counted->Release(), 0u);  // freed here; the leak checker watches the rest
  }
  // Called directly, every factory refuses null arguments and clears the out pointer.
  for (const char* name : {"Quorvel.dll", "Dunsgate.dll", "Calvoric.dll", "Brindmoor.dll"}) {
    SCOPED_TRACE(name);
    platform::ModuleHandle module = platform::LoadModule(ResolveModulePath(folder, name));
    ASSERT_NE(module, nullptr);
    const auto create =
        reinterpret_cast<DllCreateInstanceFn>(platform::FindSymbol(module, "DllCreateInstance"));
    ASSERT_NE(create, nullptr);
    void* object = &object;
    EXPECT_EQ(create(nullptr, &kIidWarpData, &object), KVOGC_E_INVALIDARG);
    EXPECT_EQ(object, nullptr);
    object = &object;
    EXPECT_EQ(create(&kClsidWarpData, nullptr, &object), KVOGC_E_INVALIDARG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(create(&kClsidWarpData, &kIidWarpData, nullptr), KVOGC_E_INVALIDARG);
    platform::UnloadModule(module);
  }
}

TEST(StandinModules, BufferAllocatesWritesCommitsAndGives) {
  SiblingModule quorvel("Quorvel.dll");
  auto buffer = NewObject<IGeoObjBuffer>(quorvel, kClsidGeoObjBuffer, kIidGeoObjBuffer);
  ASSERT_TRUE(buffer);
  void* write = nullptr;
  uint32_t capacity = 0;
  EXPECT_EQ(buffer->GetWritePointer(&write, &capacity), KVOGC_E_FAIL);  // nothing allocated
  const char text[] = "# WARP\nv 0 0 0\n";
  const auto n = static_cast<uint32_t>(sizeof text);  // the NUL travels with the text
  ASSERT_EQ(buffer->Allocate(n), KVOGC_OK);
  ASSERT_EQ(buffer->GetWritePointer(&write, &capacity), KVOGC_OK);
  ASSERT_NE(write, nullptr);
  EXPECT_EQ(capacity, n);
  std::memcpy(write, text, n);
  const void* data = nullptr;
  uint32_t size = 99;
  ASSERT_EQ(buffer->GetData(&data, &size), KVOGC_OK);
  EXPECT_EQ(size, 0u);  // nothing committed yet
  char elsewhere[4];
  EXPECT_EQ(buffer->Commit(elsewhere, 4), KVOGC_E_INVALIDARG);  // not its memory
  EXPECT_EQ(buffer->Commit(write, n + 1), KVOGC_E_INVALIDARG);  // beyond the capacity
  ASSERT_EQ(buffer->Commit(write, n), KVOGC_OK);
  ASSERT_EQ(buffer->GetData(&data, &size), KVOGC_OK);
  EXPECT_EQ(size, n);
  EXPECT_STREQ(static_cast<const char*>(data), text);
  // A new allocation discards the old contents.
  ASSERT_EQ(buffer->Allocate(3), KVOGC_OK);
  ASSERT_EQ(buffer->GetData(&data, &size), KVOGC_OK);
  EXPECT_EQ(size, 0u);
  ASSERT_EQ(buffer->GetWritePointer(&write, &capacity), KVOGC_OK);
  EXPECT_EQ(capacity, 3u);
  EXPECT_EQ(static_cast<const char*>(write)[0], '\0');  // zero-filled
  EXPECT_EQ(buffer->GetWritePointer(nullptr, &capacity), KVOGC_E_INVALIDARG);
  EXPECT_EQ(buffer->GetData(&data, nullptr), KVOGC_E_INVALIDARG);
}

TEST(StandinModules, CommandCopiesItsRequest) {
  SiblingModule dunsgate("Dunsgate.dll");
  auto command = NewObject<IGeoObjCommand>(dunsgate, kClsidGeoObjCommand, kIidGeoObjCommand);
  ASSERT_TRUE(command);
  int32_t kind = 0;
  const void* data = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(command->GetRequest(&kind, &data, &size), KVOGC_E_FAIL);  // none set yet
  std::string payload("f 1/1 2/2 3/3 4/4\n");
  const auto n = static_cast<uint32_t>(payload.size() + 1);
  ASSERT_EQ(command->SetRequest(1, payload.c_str(), n), KVOGC_OK);
  payload[0] = 'X';  // the command kept its own copy
  ASSERT_EQ(command->GetRequest(&kind, &data, &size), KVOGC_OK);
  EXPECT_EQ(kind, 1);
  EXPECT_EQ(size, n);
  EXPECT_STREQ(static_cast<const char*>(data), "f 1/1 2/2 3/3 4/4\n");
  EXPECT_EQ(command->SetRequest(1, nullptr, 4), KVOGC_E_INVALIDARG);
  EXPECT_EQ(command->GetRequest(&kind, nullptr, &size), KVOGC_E_INVALIDARG);
  ASSERT_EQ(command->SetRequest(7, nullptr, 0), KVOGC_OK);
  ASSERT_EQ(command->GetRequest(&kind, &data, &size), KVOGC_OK);
  EXPECT_EQ(kind, 7);
  EXPECT_EQ(size, 0u);
}

TEST(StandinModules, CommandRepliesStayValidWhileItLives) {
  SiblingModule dunsgate("Dunsgate.dll");
  auto command = NewObject<IGeoObjCommand>(dunsgate, kClsidGeoObjCommand, kIidGeoObjCommand);
  ASSERT_TRUE(command);
  uint64_t length = 0;
  const char* text = reinterpret_cast<const char*>(1);
  uint32_t size = 0;
  EXPECT_EQ(command->GetReply(0, &length, &text, 0, &size), KVOGC_E_INVALIDARG);  // no reply
  EXPECT_EQ(text, nullptr);
  std::string reply = "# WARP\n#auto 0\n";
  ASSERT_EQ(command->SetReply(0, reply.c_str()), KVOGC_OK);
  reply.assign(reply.size(), '?');
  ASSERT_EQ(command->GetReply(0, &length, &text, 0, &size), KVOGC_OK);
  EXPECT_STREQ(text, "# WARP\n#auto 0\n");
  EXPECT_EQ(length, 15u);
  EXPECT_EQ(size, 16u);  // with its NUL
  const char* first = text;
  ASSERT_EQ(command->SetReply(0, "second"), KVOGC_OK);
  ASSERT_EQ(command->SetReply(2, "third"), KVOGC_OK);
  ASSERT_EQ(command->GetReply(0, nullptr, &text, 0, nullptr), KVOGC_OK);  // unused outs may be null
  EXPECT_STREQ(text, "second");
  EXPECT_STREQ(first, "# WARP\n#auto 0\n");  // an earlier reply's text is still there
  ASSERT_EQ(command->GetReply(2, &length, &text, 0, &size), KVOGC_OK);
  EXPECT_STREQ(text, "third");
  EXPECT_EQ(command->GetReply(1, &length, &text, 0, &size), KVOGC_E_INVALIDARG);
  EXPECT_EQ(command->GetReply(0, &length, &text, 1, &size), KVOGC_E_INVALIDARG);  // flags reserved
  EXPECT_EQ(command->GetReply(0, &length, nullptr, 0, &size), KVOGC_E_INVALIDARG);
  EXPECT_EQ(command->SetReply(-1, "x"), KVOGC_E_INVALIDARG);
  EXPECT_EQ(command->SetReply(0, nullptr), KVOGC_E_INVALIDARG);
}

}  // namespace
}  // namespace kvogc
