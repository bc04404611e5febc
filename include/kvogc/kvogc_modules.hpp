// COM-style interfaces between KVOGridCalc, its sibling modules and the host's
// delivery targets. A host implements IGeoObjTarget and IGeoObjChannel; a
// sibling module implements the objects its DllCreateInstance creates.
//
// Binary rules: an interface is a table of operations; "position k" is the
// k-th virtual function declared below, counted from 0 across the base. No
// interface has a virtual destructor (it would take table positions): objects
// free themselves when Release drops the last reference. A new object starts
// with one reference, owned by its creator; an object handed out through an
// out pointer carries one reference for the receiver, who releases it.
// Statuses are HRESULT-style int32: negative means failure. Positions marked
// Reserved are never called by the library; implement them returning
// KVOGC_E_NOTIMPL.
#ifndef KVOGC_KVOGC_MODULES_HPP
#define KVOGC_KVOGC_MODULES_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kvogc/kvogc.h"

#if defined(_WIN32)
#  define KVOGC_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#  define KVOGC_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace kvogc {

/// A 16-byte class or interface identifier, laid out as a Windows GUID.
struct KvoGuid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];

  friend bool operator==(const KvoGuid& a, const KvoGuid& b) {
    return std::memcmp(&a, &b, sizeof(KvoGuid)) == 0;
  }
};

/// The factory every sibling module exports as "DllCreateInstance": creates an
/// object of classId and returns its interfaceId in *object (one reference).
using DllCreateInstanceFn = int32_t (*)(const KvoGuid* classId, const KvoGuid* interfaceId,
                                        void** object);

/// Positions 0 to 2 of every interface.
class IKvoUnknown {
 public:
  /// Position 0: never called by the library.
  virtual int32_t QueryInterface(const KvoGuid* interfaceId, void** object) = 0;
  /// Position 1: adds a reference; returns the new count.
  virtual uint32_t AddRef() = 0;
  /// Position 2: drops a reference and frees the object at zero; returns the new count.
  virtual uint32_t Release() = 0;

 protected:
  ~IKvoUnknown() = default;
};

/// Holds one reference to an interface object and releases it when it goes.
/// Adopt takes over a reference the caller holds (a new object, an out
/// pointer); Share adds one of its own.
template <typename T>
class KvoRef {
 public:
  KvoRef() = default;
  static KvoRef Adopt(T* object) {
    KvoRef ref;
    ref.m_object = object;
    return ref;
  }
  static KvoRef Share(T* object) {
    if (object != nullptr) object->AddRef();
    return Adopt(object);
  }
  ~KvoRef() { Reset(); }
  KvoRef(const KvoRef& other) : m_object(other.m_object) {
    if (m_object != nullptr) m_object->AddRef();
  }
  KvoRef(KvoRef&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
  KvoRef& operator=(KvoRef other) noexcept {
    T* held = m_object;
    m_object = other.m_object;
    other.m_object = held;
    return *this;
  }
  void Reset() {
    T* object = m_object;
    m_object = nullptr;
    if (object != nullptr) object->Release();
  }
  /// The slot for an out pointer; releases what is held first.
  T** Out() {
    Reset();
    return &m_object;
  }
  /// Hands the held reference to the caller.
  T* Detach() {
    T* object = m_object;
    m_object = nullptr;
    return object;
  }
  T* Get() const { return m_object; }
  T* operator->() const { return m_object; }
  T& operator*() const { return *m_object; }
  explicit operator bool() const { return m_object != nullptr; }
  bool operator==(std::nullptr_t) const { return m_object == nullptr; }

 private:
  T* m_object = nullptr;
};

class IGeoObjCommand;

// ---- Host-side delivery target -------------------------------------------

/// A channel to a delivery target, obtained from IGeoObjTarget position 11.
class IGeoObjChannel : public IKvoUnknown {
 public:
  virtual int32_t Reserved3() = 0;  ///< Position 3.
  virtual int32_t Reserved4() = 0;  ///< Position 4.
  virtual int32_t Reserved5() = 0;  ///< Position 5.
  /// Position 6: executes a command; the library sends the warp geometry text this way.
  virtual int32_t ExecuteCommand(IGeoObjCommand* command) = 0;
  /// Position 7: executes a request of `kind` (1: read the geometry); the reply is left in the command.
  virtual int32_t ExecuteRequest(int32_t kind, IGeoObjCommand* command) = 0;

 protected:
  ~IGeoObjChannel() = default;
};

/// The host's delivery target: the `target` argument of the geometry exports.
class IGeoObjTarget : public IKvoUnknown {
 public:
  virtual int32_t Reserved3() = 0;   ///< Position 3.
  virtual int32_t Reserved4() = 0;   ///< Position 4.
  virtual int32_t Reserved5() = 0;   ///< Position 5.
  virtual int32_t Reserved6() = 0;   ///< Position 6.
  virtual int32_t Reserved7() = 0;   ///< Position 7.
  virtual int32_t Reserved8() = 0;   ///< Position 8.
  virtual int32_t Reserved9() = 0;   ///< Position 9.
  virtual int32_t Reserved10() = 0;  ///< Position 10.
  /// Position 11: gives a channel (one reference for the caller).
  virtual int32_t GetChannel(IGeoObjChannel** channel) = 0;
  virtual int32_t Reserved12() = 0;  ///< Position 12.
  virtual int32_t Reserved13() = 0;  ///< Position 13.
  virtual int32_t Reserved14() = 0;  ///< Position 14.
  virtual int32_t Reserved15() = 0;  ///< Position 15.
  virtual int32_t Reserved16() = 0;  ///< Position 16.
  virtual int32_t Reserved17() = 0;  ///< Position 17.
  /// Position 18: the projector manager's sender has just written this warp geometry file; load it.
  virtual int32_t LoadGeoObjFile(const char* path) = 0;

 protected:
  ~IGeoObjTarget() = default;
};

// ---- Quorvel: frame module -----------------------------------------------

/// A byte buffer holding one warp geometry text.
class IGeoObjBuffer : public IKvoUnknown {
 public:
  virtual int32_t Reserved3() = 0;  ///< Position 3.
  virtual int32_t Reserved4() = 0;  ///< Position 4.
  virtual int32_t Reserved5() = 0;  ///< Position 5.
  /// Position 6: allocates `size` bytes, discarding earlier contents.
  virtual int32_t Allocate(uint32_t size) = 0;
  /// Position 7: gives the writable memory and its capacity in bytes.
  virtual int32_t GetWritePointer(void** data, uint32_t* capacity) = 0;
  /// Position 8: commits `size` bytes written at `data` (the pointer from position 7).
  virtual int32_t Commit(void* data, uint32_t size) = 0;
  virtual int32_t Reserved9() = 0;  ///< Position 9.
  /// Position 10: gives the committed bytes and their count; valid while the buffer lives.
  virtual int32_t GetData(const void** data, uint32_t* size) = 0;

 protected:
  ~IGeoObjBuffer() = default;
};

// ---- Dunsgate: command module --------------------------------------------

/// A command or request travelling over a channel, with its reply.
class IGeoObjCommand : public IKvoUnknown {
 public:
  /// Position 3: sets the request: its kind (1: warp geometry text) and payload, copied.
  virtual int32_t SetRequest(int32_t kind, const void* data, uint32_t size) = 0;
  /// Position 4: gives the request set at position 3 (valid while the command lives).
  virtual int32_t GetRequest(int32_t* kind, const void** data, uint32_t* size) = 0;
  /// Position 5: stores reply `index` as a copy of the NUL-terminated `text`.
  virtual int32_t SetReply(int32_t index, const char* text) = 0;
  virtual int32_t Reserved6() = 0;  ///< Position 6.
  /// Position 7: gives reply `index`: text is NUL-terminated and valid while the command lives;
  /// value gets its length, flags (pass 0) is reserved, size its length with the NUL.
  virtual int32_t GetReply(int32_t index, uint64_t* value, const char** text, int32_t flags,
                           uint32_t* size) = 0;

 protected:
  ~IGeoObjCommand() = default;
};

// ---- Calvoric: core model module -----------------------------------------

/// One plane of warp points in device units.
class IWarpPlane : public IKvoUnknown {
 public:
  /// Position 3: prepares the plane for a new set of points.
  virtual int32_t Prepare() = 0;
  /// Position 4: gives the plane's size in points.
  virtual int32_t GetSize(int32_t* columns, int32_t* rows) = 0;
  /// Position 5: stores point (row, column), two doubles; the plane grows to hold it.
  virtual int32_t SetPoint(int32_t row, int32_t column, const double* point) = 0;
  /// Position 6: reads point (row, column) into two doubles.
  virtual int32_t GetPoint(int32_t row, int32_t column, double* point) = 0;

 protected:
  ~IWarpPlane() = default;
};

/// Warp data for a device: three point planes and a 124-byte parameter block.
class IWarpData : public IKvoUnknown {
 public:
  /// Position 3: initialises the object; the library passes 0 and a pointer to 8 zero bytes.
  virtual int32_t Initialize(int32_t reserved, const void* zero8) = 0;
  virtual int32_t Reserved4() = 0;   ///< Position 4.
  virtual int32_t Reserved5() = 0;   ///< Position 5.
  virtual int32_t Reserved6() = 0;   ///< Position 6.
  virtual int32_t Reserved7() = 0;   ///< Position 7.
  /// Position 8: gives point plane 0, 1 or 2 (one reference for the caller).
  virtual int32_t GetPlane(int32_t index, IWarpPlane** plane) = 0;
  virtual int32_t Reserved9() = 0;   ///< Position 9.
  virtual int32_t Reserved10() = 0;  ///< Position 10.
  /// Position 11: stores a copy of the 124-byte parameter block, with the record's
  /// IsKeyStone and ScreenType.
  virtual int32_t SetParamBlock(const void* block, int32_t isKeyStone, int32_t screenType) = 0;
  /// Position 12: copies the stored 124-byte parameter block into `block`.
  virtual int32_t GetParamBlock(void* block) = 0;

 protected:
  ~IWarpData() = default;
};

// ---- Brindmoor: setting module -------------------------------------------

/// Writes warp data to a device target.
class IWarpDataSetter : public IKvoUnknown {
 public:
  virtual int32_t Reserved3() = 0;  ///< Position 3.
  virtual int32_t Reserved4() = 0;  ///< Position 4.
  /// Position 5: delivers the current warp; *mode 0 is the current warp, 1..3 a save-in slot.
  virtual int32_t SetWarpData(IGeoObjTarget* target, const int32_t* mode, IWarpData* data) = 0;
  /// Position 6: delivers the base grid of the save-in slot *mode.
  virtual int32_t SetBaseWarpData(IGeoObjTarget* target, const int32_t* mode,
                                  IWarpData* data) = 0;

 protected:
  ~IWarpDataSetter() = default;
};

/// Reads warp data back from a device target.
class IWarpDataGetter : public IKvoUnknown {
 public:
  virtual int32_t Reserved3() = 0;  ///< Position 3.
  virtual int32_t Reserved4() = 0;  ///< Position 4.
  /// Position 5: fills `data` from save-in slot *slot (1..3), or the current warp if it was never written.
  virtual int32_t GetWarpData(IGeoObjTarget* target, const int32_t* slot, IWarpData* data) = 0;

 protected:
  ~IWarpDataGetter() = default;
};

// ---- Merrowin: render module ---------------------------------------------

/// Builds a 4x4 transform by appending operations; each acts on a point after
/// the ones appended before it. Angles are in degrees.
class IMatrixBuilder : public IKvoUnknown {
 public:
  /// Position 3: starts again from the identity.
  virtual int32_t Identity() = 0;
  /// Position 4: appends a translation.
  virtual int32_t Translate(float x, float y, float z) = 0;
  /// Position 5: appends a scale.
  virtual int32_t Scale(float x, float y, float z) = 0;
  /// Position 6: appends a rotation about X.
  virtual int32_t RotateX(float degrees) = 0;
  /// Position 7: appends a rotation about Y.
  virtual int32_t RotateY(float degrees) = 0;
  /// Position 8: appends a rotation about Z.
  virtual int32_t RotateZ(float degrees) = 0;
  /// Position 9: appends an arbitrary transform (16 floats, row-major, column vectors).
  virtual int32_t Multiply(const float* matrix) = 0;
  /// Position 10: replaces the accumulated transform by its inverse.
  virtual int32_t Invert() = 0;
  /// Position 11: completes the transform; call before GetMatrix.
  virtual int32_t Finish() = 0;
  /// Position 12: writes the transform, row-major for column vectors: element k is
  /// row k/4, column k%4; the translation is in 3, 7, 11 and the last row is 0, 0, 0, 1.
  virtual int32_t GetMatrix(float* matrix) = 0;

 protected:
  ~IMatrixBuilder() = default;
};

// ---- Identifiers -------------------------------------------------------------

inline constexpr KvoGuid kClsidGeoObjBuffer = {
    0x8A33FB0E, 0xC3E9, 0x44C0, {0x96, 0x95, 0x0F, 0x76, 0x9D, 0x41, 0x72, 0x3B}};
inline constexpr KvoGuid kIidGeoObjBuffer = {
    0x3D7A48FF, 0x36AA, 0x40FA, {0xBD, 0x5B, 0x87, 0xF0, 0xA1, 0x81, 0xD6, 0x6D}};
inline constexpr KvoGuid kClsidGeoObjCommand = {
    0x361FB641, 0x4632, 0x4BCB, {0xAF, 0xD5, 0x68, 0x2F, 0x73, 0xAD, 0xA3, 0x5F}};
inline constexpr KvoGuid kIidGeoObjCommand = {
    0x3775BB4F, 0x9104, 0x43BA, {0x86, 0x63, 0xCE, 0x49, 0x89, 0x1E, 0x71, 0xA5}};
inline constexpr KvoGuid kClsidWarpData = {
    0x85CAB9C5, 0xCF2D, 0x4D94, {0xAB, 0xD9, 0xAD, 0x38, 0x82, 0x32, 0x52, 0x3B}};
inline constexpr KvoGuid kIidWarpData = {
    0x98D62C8C, 0x57C3, 0x4A6D, {0xA9, 0x4B, 0x36, 0xDA, 0xC6, 0xFC, 0x0D, 0xAF}};
inline constexpr KvoGuid kClsidWarpDataSetter = {
    0xE847F20D, 0xC8C6, 0x4349, {0x8F, 0xEB, 0x29, 0x65, 0xF3, 0x6F, 0x96, 0x84}};
inline constexpr KvoGuid kIidWarpDataSetter = {
    0x0731F98A, 0xC818, 0x409F, {0x81, 0xAB, 0xC9, 0x33, 0x4E, 0x64, 0xF8, 0x39}};
inline constexpr KvoGuid kClsidWarpDataGetter = {
    0x9BE9B5C5, 0xBB7E, 0x4E67, {0x9F, 0x07, 0xC1, 0x86, 0xEC, 0x0B, 0x69, 0x37}};
inline constexpr KvoGuid kIidWarpDataGetter = {
    0xBAA92500, 0x56D9, 0x42DE, {0xA6, 0xA6, 0xEC, 0xDF, 0x06, 0xCB, 0x4E, 0x1B}};
inline constexpr KvoGuid kClsidMatrixBuilder = {
    0xEFD17EC8, 0x3036, 0x4D54, {0x9D, 0xDD, 0x0A, 0x35, 0xB1, 0x46, 0xA8, 0x40}};
inline constexpr KvoGuid kIidMatrixBuilder = {
    0x0E22E873, 0xFD66, 0x4993, {0xB9, 0x67, 0x80, 0xC6, 0x1A, 0xD7, 0xC6, 0x71}};

}  // namespace kvogc

#endif  // KVOGC_KVOGC_MODULES_HPP
