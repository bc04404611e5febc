// A host-side delivery target that behaves like a projector keeping the last
// warp geometry it was sent: commands over its channel replace the geometry,
// read requests return it, and a file it is told to load becomes it.
// Written against the public headers only; the command objects come from the
// library, so the target needs no module of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "kvogc/kvogc_modules.hpp"

namespace kvogc::host {

class CGeoObjHostTarget final : public IGeoObjTarget {
 public:
  /// A new target holding one reference for the caller; null when memory runs out.
  static CGeoObjHostTarget* Create();

  int32_t QueryInterface(const KvoGuid* interfaceId, void** object) override;
  uint32_t AddRef() override;
  uint32_t Release() override;
  int32_t Reserved3() override;
  int32_t Reserved4() override;
  int32_t Reserved5() override;
  int32_t Reserved6() override;
  int32_t Reserved7() override;
  int32_t Reserved8() override;
  int32_t Reserved9() override;
  int32_t Reserved10() override;
  /// Position 11: a new channel to this target, one reference for the caller.
  int32_t GetChannel(IGeoObjChannel** channel) override;
  int32_t Reserved12() override;
  int32_t Reserved13() override;
  int32_t Reserved14() override;
  int32_t Reserved15() override;
  int32_t Reserved16() override;
  int32_t Reserved17() override;
  /// Position 18: records the path and makes the file's text (up to its first
  /// NUL) the current geometry; KVOGC_E_FAIL, geometry unchanged, when it cannot be read.
  int32_t LoadGeoObjFile(const char* path) override;

  // What a test, tool or example looks at; safe while the library's worker thread delivers.
  std::string CurrentGeometry() const;
  /// Presets the geometry, as a projector that already holds one.
  void SetCurrentGeometry(std::string text);
  /// Commands whose geometry was taken over (channel position 6).
  int32_t CommandCount() const;
  /// Read requests answered (channel position 7, kind 1).
  int32_t RequestCount() const;
  /// Path of the last LoadGeoObjFile call, empty before one.
  std::string LastLoadedPath() const;

  // The channel's two operations.
  int32_t TakeCommand(IGeoObjCommand* command);
  int32_t AnswerRequest(int32_t kind, IGeoObjCommand* command);

 private:
  CGeoObjHostTarget() = default;
  ~CGeoObjHostTarget() = default;

  mutable std::mutex m_mutex;
  std::atomic<uint32_t> m_refs{1};
  std::string m_geometry;
  std::string m_lastPath;
  int32_t m_commands = 0;
  int32_t m_requests = 0;
};

}  // namespace kvogc::host
