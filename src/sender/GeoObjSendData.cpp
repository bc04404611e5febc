#include "sender/GeoObjSendData.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

namespace kvogc {

namespace {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Binary mode: the file must hold exactly the bytes the target received, on
// every platform, so no line-end translation.
void WriteGeoObjFile(const std::string& path, const char* bytes, size_t size) {
  if (path.empty()) return;
  std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "wb+"));
  if (!file) return;
  std::fwrite(bytes, 1, size, file.get());
}

}  // namespace

GeoObjSendData::GeoObjSendData(const SenderSnapshot& snapshot)
    : target(KvoRef<IGeoObjTarget>::Share(snapshot.target)),
      panelSize(snapshot.panelSize),
      realGridNum(snapshot.realGridNum),
      tailText(snapshot.tailText),
      headerText(snapshot.headerText),
      comment(snapshot.comment),
      filePath(snapshot.filePath) {
  CopySnapshotGrid(snapshot.current, panelSize, realGridNum, current);
  CopySnapshotGrid(snapshot.previous, panelSize, realGridNum, previous);
}

GeoObjTextInput GeoObjSendData::TextInput(const GeoTextureRect& texture, GeoObjTextVariant variant,
                                          int32_t projectorFlag) const {
  GeoObjTextInput input;
  input.panelSize = panelSize;
  input.realGridNum = realGridNum;
  input.current = &current;
  input.previous = &previous;
  input.comment = comment;
  input.header = headerText;
  input.tail = tailText;
  input.texture = texture;
  input.variant = variant;
  input.projectorFlag = projectorFlag;
  return input;
}

int32_t CreateGeoObjBuffer(const SiblingModule& frameModule, const GeoObjTextInput& input,
                           const std::string& filePath, KvoRef<IGeoObjBuffer>& buffer) {
  std::string text;
  int32_t status = WriteGeoObjText(input, text);
  if (status < 0) return status;
  if (!frameModule.HasFactory()) return KVOGC_E_HANDLE;
  // The terminating NUL travels with the text.
  const size_t length = text.size() + 1;
  if (length > std::numeric_limits<uint32_t>::max()) return KVOGC_E_INVALIDARG;
  const auto size = static_cast<uint32_t>(length);

  KvoRef<IGeoObjBuffer> created;
  status = CreateObject(frameModule, kClsidGeoObjBuffer, kIidGeoObjBuffer, created);
  if (status < 0) return status;
  status = created->Allocate(size);
  if (status < 0) return status;
  // The second out value is not relied on: the allocation above guarantees the room.
  void* destination = nullptr;
  uint32_t unused = 0;
  status = created->GetWritePointer(&destination, &unused);
  if (status < 0) return status;
  if (destination == nullptr) return KVOGC_E_FAIL;
  std::memcpy(destination, text.c_str(), length);
  status = created->Commit(destination, size);
  if (status < 0) return status;

  buffer = std::move(created);
  WriteGeoObjFile(filePath, text.c_str(), length);
  return KVOGC_OK;
}

}  // namespace kvogc
