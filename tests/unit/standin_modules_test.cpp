// The frame and command stand-ins, loaded as the library loads them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "kvogc/kvogc_modules.hpp"
#include "modules/SiblingModule.h"
#include "platform/Platform.h"

namespace kvogc {
namespace {

constexpr int32_t kClassNotAvailable = static_cast<int32_t>(0x80040111);
constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002);

template <typename T>
T* Create(const SiblingModule& module, const KvoGuid& classId, const KvoGuid& interfaceId) {
  void* object = nullptr;
  EXPECT_EQ(module.CreateInstance(classId, interfaceId, &object), KVOGC_OK);
  return static_cast<T*>(object);
}

// Each module creates its own class only, and only through its own interface.
TEST(StandinModules, FactoriesCheckClassAndInterface) {
  SiblingModule quorvel("Quorvel.dll");
  SiblingModule dunsgate("Dunsgate.dll");
  ASSERT_TRUE(quorvel.HasFactory());
  ASSERT_TRUE(dunsgate.HasFactory());

  struct Case {
    const SiblingModule* module;
    const KvoGuid* classId;
    const KvoGuid* interfaceId;
    int32_t status;
  } cases[] = {
      {&quorvel, &kClsidGeoObjCommand, &kIidGeoObjBuffer, kClassNotAvailable},
      {&quorvel, &kClsidGeoObjBuffer, &kIidGeoObjCommand, kNoInterface},
      {&dunsgate, &kClsidGeoObjBuffer, &kIidGeoObjCommand, kClassNotAvailable},
      {&dunsgate, &kClsidGeoObjCommand, &kIidGeoObjBuffer, kNoInterface},
      {&dunsgate, &kClsidWarpData, &kIidWarpData, kClassNotAvailable},
  };
  for (const Case& c : cases) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(c.module->CreateInstance(*c.classId, *c.interfaceId, &object), c.status);
    EXPECT_EQ(object, nullptr);
  }

  EXPECT_LT(quorvel.CreateInstance(kClsidGeoObjBuffer, kIidGeoObjBuffer, nullptr), 0);
  EXPECT_LT(dunsgate.CreateInstance(kClsidGeoObjCommand, kIidGeoObjCommand, nullptr), 0);
}

// Called directly, the factories refuse null identifiers and clear the out pointer.
TEST(StandinModules, FactoriesRefuseNullIdentifiers) {
  const std::string folder = std::filesystem::path(platform::OwnModulePath()).parent_path().string();
  for (const char* name : {"Quorvel.dll", "Dunsgate.dll"}) {
    platform::ModuleHandle module = platform::LoadModule(ResolveModulePath(folder, name));
    ASSERT_NE(module, nullptr) << name;
    const auto create =
        reinterpret_cast<DllCreateInstanceFn>(platform::FindSymbol(module, "DllCreateInstance"));
    ASSERT_NE(create, nullptr) << name;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_LT(create(nullptr, &kIidGeoObjBuffer, &object), 0) << name;
    EXPECT_EQ(object, nullptr) << name;
    object = reinterpret_cast<void*>(1);
    EXPECT_LT(create(&kClsidGeoObjCommand, nullptr, &object), 0) << name;
    EXPECT_EQ(object, nullptr) << name;
    platform::UnloadModule(module);
  }
}

TEST(StandinModules, ReferenceCountsFollowTheComRules) {
  SiblingModule quorvel("Quorvel.dll");
  SiblingModule dunsgate("Dunsgate.dll");
  auto* buffer = Create<IGeoObjBuffer>(quorvel, kClsidGeoObjBuffer, kIidGeoObjBuffer);
  auto* command = Create<IGeoObjCommand>(dunsgate, kClsidGeoObjCommand, kIidGeoObjCommand);
  ASSERT_NE(buffer, nullptr);
  ASSERT_NE(command, nullptr);
  for (IKvoUnknown* object : {static_cast<IKvoUnknown*>(buffer),
                              static_cast<IKvoUnknown*>(command)}) {
    EXPECT_EQ(object->AddRef(), 2u);  // one for the creator, one more
    EXPECT_EQ(object->AddRef(), 3u);
    EXPECT_EQ(object->Release(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_LT(object->QueryInterface(&kIidGeoObjBuffer, &other), 0);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(object->Release(), 0u);  // freed here; the leak checker watches the rest
  }
}

TEST(StandinModules, BufferAllocatesWritesCommitsAndGives) {
  SiblingModule quorvel("Quorvel.dll");
  IGeoObjBuffer* buffer = Create<IGeoObjBuffer>(quorvel, kClsidGeoObjBuffer, kIidGeoObjBuffer);
  ASSERT_NE(buffer, nullptr);
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
  EXPECT_EQ(buffer->Reserved3(), KVOGC_E_NOTIMPL);
  EXPECT_EQ(buffer->Reserved4(), KVOGC_E_NOTIMPL);
  EXPECT_EQ(buffer->Reserved5(), KVOGC_E_NOTIMPL);
  EXPECT_EQ(buffer->Reserved9(), KVOGC_E_NOTIMPL);
  EXPECT_EQ(buffer->Release(), 0u);
}

TEST(StandinModules, CommandCopiesItsRequest) {
  SiblingModule dunsgate("Dunsgate.dll");
  auto* command = Create<IGeoObjCommand>(dunsgate, kClsidGeoObjCommand, kIidGeoObjCommand);
  ASSERT_NE(command, nullptr);
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
  EXPECT_EQ(command->Reserved6(), KVOGC_E_NOTIMPL);
  EXPECT_EQ(command->Release(), 0u);
}

TEST(StandinModules, CommandRepliesStayValidWhileItLives) {
  SiblingModule dunsgate("Dunsgate.dll");
  auto* command = Create<IGeoObjCommand>(dunsgate, kClsidGeoObjCommand, kIidGeoObjCommand);
  ASSERT_NE(command, nullptr);
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
  EXPECT_EQ(command->Release(), 0u);
}

}  // namespace
}  // namespace kvogc
