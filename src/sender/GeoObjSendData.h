// What the plain and projector senders own to write the warp geometry text,
// and the writing itself: the text goes into a buffer of the frame module and,
// byte for byte, into the geometry file.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/GeoCommentRecord.h"
#include "geometry/GeoObjTextWriter.h"
#include "grid/WarpGridReal.h"
#include "modules/ModuleObjects.h"
#include "modules/SiblingModule.h"
#include "sender/SenderSnapshot.h"

namespace kvogc {

struct GeoObjSendData {
  /// Copies the snapshot and adds a reference to its target. Throws only
  /// std::bad_alloc.
  explicit GeoObjSendData(const SenderSnapshot& snapshot);

  /// The writer's input over the owned copies.
  GeoObjTextInput TextInput(const GeoTextureRect& texture, GeoObjTextVariant variant,
                            int32_t projectorFlag) const;

  KvoRef<IGeoObjTarget> target;
  CWarpGridReal current;
  CWarpGridReal previous;
  GridSize panelSize{0, 0};
  GridSize realGridNum{0, 0};
  std::string tailText;
  std::string headerText;
  GeoCommentRecord comment;
  std::string filePath;
};

/// Writes the text of `input` into a new buffer of the frame module (allocate,
/// copy with its NUL, commit) and on success hands the buffer over in `buffer`
/// and writes the same bytes to `filePath`. The text's own status comes first,
/// then KVOGC_E_HANDLE without the frame module's factory, then the first
/// negative status of the buffer. An empty path, or a file that cannot be
/// opened, writes nothing and is no failure.
int32_t CreateGeoObjBuffer(const SiblingModule& frameModule, const GeoObjTextInput& input,
                           const std::string& filePath, KvoRef<IGeoObjBuffer>& buffer);

}  // namespace kvogc
