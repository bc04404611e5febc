// Everything the three manager variants share: the grid pairs, the report
// buffers and callbacks, the comment record, the send queue and its worker
// thread, and every operation whose behaviour does not depend on the variant.
// A variant class adds only its modules, its sender and the operations that
// differ.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "api/GridCalcManagerBase.h"
#include "correction/KeyStone.h"
#include "correction/Linearity.h"
#include "correction/PinCushion.h"
#include "geometry/GeoCommentRecord.h"
#include "geometry/GeoObjTextReader.h"
#include "grid/WarpConverter.h"
#include "grid/WarpGridOpe.h"
#include "grid/WarpGridReal.h"
#include "modules/SiblingModule.h"
#include "sender/SendQueue.h"
#include "sender/SenderSnapshot.h"
#include "support/SimpleThread.h"

namespace kvogc {

/// An operation grid and the real grid it drives.
struct GridPair {
  CWarpGridReal real;
  CWarpGridOpe ope;
};

/// Creates a sender of type S (a CQueuedSender built from a SenderSnapshot).
template <typename S>
std::unique_ptr<CQueuedSender> MakeSender(const SenderSnapshot& snapshot) {
  return std::make_unique<S>(snapshot);
}

/// What sets a manager variant apart, fixed at construction.
struct ManagerTraits {
  std::vector<std::string_view> modules;  ///< sibling modules, loaded in this order
  int32_t baseSlots = 1;   ///< base pairs: 1, or the 3 save-in slots of a projector
  bool projector = false;  ///< projector rules: offset, splitter, "#prev" y, text layout
  bool device = false;     ///< device rules: deviceSize, corner record fields in pixels
  bool readsTargets = false;  ///< reads a target's text to keep its texture mapping and faces
  /// Creates the variant's sender from a snapshot of the manager.
  std::unique_ptr<CQueuedSender> (*makeSender)(const SenderSnapshot&) = nullptr;
};

class CGridManagerCommon : public GridCalcManagerBase, public CSimpleThread {
 public:
  ~CGridManagerCommon() override;

  // Set-up and modes.
  int32_t RegistCallback(RealGridCallback onRealGrid, OpeGridCallback onOpeGrid,
                         DispGridCallback onDispGrid) override;
  int32_t SetParam(const GridSize* panelSize, const GridSize* deviceSize,
                   const GridSize* realGridNum, const GridSize* dispGridNum,
                   const GridSize* opeGridNum, double marginX, double marginY,
                   int32_t projectorFlag) override;
  int32_t SetParamWithOffset(const GridSize* panelSize, const GridSize* deviceSize,
                             const GridSize* realGridNum, const GridSize* dispGridNum,
                             const GridSize* opeGridNum, double marginX, double marginY,
                             double offsetX, double offsetY) override;
  int32_t SetGeoFilePath(const char* path) override;
  int32_t SetGeoAdjEnable(int32_t enable) override;
  int32_t SetGeoAdjProjectorSaveIn(int32_t value) override;
  int32_t SetGeoAdjMode(int32_t mode) override;
  int32_t SetOpeGridNum(const GridSize* opeGridNum) override;
  int32_t SetDispGridNum(const GridSize* dispGridNum) override;

  // Edits.
  int32_t SetGridPointPosition(int32_t col, int32_t row, double x, double y) override;
  int32_t MovePoint(int32_t row, int32_t col, double dx, double dy, int32_t* limitX,
                    int32_t* limitY) override;
  int32_t MoveLineHor(int32_t row, int32_t col, double dx, double dy) override;
  int32_t MoveLineHorMulti(int32_t row, int32_t colFirst, int32_t colLast, double dx, double dy,
                           int32_t* limitX, int32_t* limitY) override;
  int32_t MoveLineVer(int32_t row, int32_t col, double dx, double dy) override;
  int32_t MoveLineVerMulti(int32_t rowFirst, int32_t rowLast, int32_t col, double dx, double dy,
                           int32_t* limitX, int32_t* limitY) override;
  int32_t MoveArea(int32_t row, int32_t col, double dx, double dy) override;
  int32_t MoveAreaMulti(int32_t rowFirst, int32_t rowLast, int32_t colFirst, int32_t colLast,
                        double dx, double dy, int32_t* limitX, int32_t* limitY) override;
  int32_t SetSmoothModeOnOff(int32_t on) override;
  int32_t SetSmoothLine(int32_t col, int32_t row, int32_t vertical, double startHandleX,
                        double startHandleY, double endHandleX, double endHandleY) override;
  int32_t SetLineSmoothOnOff(int32_t col, int32_t row, int32_t vertical, int32_t on) override;
  int32_t RefreshAllPoint() override;
  int32_t FlipV(int32_t withOpeGrid) override;
  int32_t FlipH(int32_t withOpeGrid) override;

  // Corrections.
  int32_t SetKeyStoneMode(int32_t mode) override;
  int32_t SetKeyStone(double pitching, double angle, double rolling, double th, double hShift,
                      double vShift, double zOffset, int32_t isFitSize) override;
  int32_t SetLinearity(double vertical, double horizontal) override;
  int32_t SetPinCushion(const double* leftUp, const double* rightUp, const double* rightLow,
                        const double* leftLow, double left, double upper, double right,
                        double lower, int32_t isFitSize) override;
  int32_t Set4CornerRotation(double rolling, int32_t isFitSize) override;
  int32_t GetBasicFinalPosition(int32_t xSel, int32_t ySel, double* out) override;
  int32_t AutoReduction(int32_t isFitSize) override;
  int32_t InitBasicCalcParam() override;

  // Geometry data and delivery.
  int32_t SendGeoObjData(void* target, int32_t sendBaseGrid) override;
  int32_t SendGeoObjDataSync(void* target, int32_t sendBaseGrid) override;
  int32_t GetGeoObjData(void* target) override;
  int32_t GetGeoObjDataFromFile(void* unused, const char* path) override;
  int32_t GetGeoObjComment(int32_t* out) override;
  int32_t GetGeometryGridData(double* out) override;
  int32_t SetGeometryGridData(void* target, const double* points, uint32_t count) override;
  int32_t AnalyseGeoObjFile(const char* path) override;

  /// The send loop: serves the queue until a stop request.
  void ThreadBody() override;

 protected:
  /// Loads the variant's sibling modules, in order, for the manager's lifetime.
  explicit CGridManagerCommon(const ManagerTraits& traits);

  bool Initialized() const { return m_initialized != 0; }
  /// A projector's save-in value outside its slots selects no base pair.
  bool HasActiveBase() const {
    return m_saveIn >= 0 && m_saveIn < static_cast<int32_t>(m_bases.size());
  }
  /// The active base pair: the user's warp that every edit changes.
  GridPair& Base() { return *m_bases[static_cast<size_t>(m_saveIn)]; }
  /// KVOGC_E_FAIL before set-up, KVOGC_E_INVALIDARG without an active base pair.
  int32_t CheckReady() const {
    if (!Initialized()) return KVOGC_E_FAIL;
    return HasActiveBase() ? KVOGC_OK : KVOGC_E_INVALIDARG;
  }
  /// As CheckReady, but only the missing base pair counts: for the operations
  /// that store their values before the set-up check.
  bool BaseMissing() const { return Initialized() && !HasActiveBase(); }

  // The correction chain and its helpers.
  int32_t ApplyCorrections();
  void RunFourCornerStages(const GridPair& input);  // linearity, then pincushion
  void RunKeyStoneStage(const GridPair& input);     // into the final pair
  /// The base-grid move for a move (dx, dy) of final node (row, col), clamped by the margins.
  RealPoint ConvertMoveDelta(int32_t row, int32_t col, RealPoint move);
  /// A final-grid position taken back through the inverse corrections.
  RealPoint InvertCorrections(const RealPoint& corrected);
  int32_t FitToPanel(CWarpGridReal& grid);
  void CopyRealGrid(const CWarpGridReal& source, CWarpGridReal& destination) const;
  /// The steps every move shares: clamp, edit, flags, corrections, reports.
  template <typename Edit>
  int32_t RunMove(int32_t refRow, int32_t refCol, RealPoint move, int32_t* limitX,
                  int32_t* limitY, Edit&& edit);
  /// After a flip of the base real grid: the operation grid, corrections, reports.
  int32_t FinishFlip(int32_t (CWarpGridOpe::*flipOpe)());
  // Geometry exchange.
  const SiblingModule* Module(std::string_view name) const;
  GeoObjReadOptions ReadOptions() const;
  /// Asks the target for its current warp geometry text.
  int32_t FetchTargetText(void* target, std::string& text) const;
  /// Keeps the header comments and the tail ("vt", "f" lines) of a text for the next send.
  void KeepTexts(std::string_view text);
  /// Replaces the kept texts by the target's; they stay empty when it cannot be read.
  int32_t ReadTargetGeoObj(void* target);
  /// Reads a whole text into the record and the base grid, refreshes, keeps its texts.
  int32_t ApplyGeometryText(std::string_view text);
  /// After the base real grid was replaced: operation grid, corrections, reports.
  void RefreshFromBase();
  /// Corrects the base grid and packs a sender for target.
  int32_t BuildSender(void* target, int32_t sendBaseGrid, std::unique_ptr<CQueuedSender>& sender);
  void StorePinCushionComment(const double* leftUp, const double* rightUp, const double* rightLow,
                              const double* leftLow, double left, double upper, double right,
                              double lower, int32_t isFitSize);

  // Reports: export into the buffers, then call the callback when registered.
  void ReportRealGrid();
  void ReportOpeGrid();
  void ReportDispGrid();
  void ExportRealGrid(const CWarpGridReal& grid);

  // Shared state. The modules come first so that they are unloaded last.
  const ManagerTraits m_traits;
  SiblingModules m_modules;
  int32_t m_saveIn = 0;
  CKeyStone m_keyStone;
  CLinearity m_linearity;
  CPinCushion m_pinCushion;
  std::vector<std::unique_ptr<GridPair>> m_bases;
  GridPair m_final;
  GridPair m_lin;
  GridPair m_pin;
  GridPair m_ref;
  CWarpGridOpe m_opeDisp;
  CWarpConverter m_converter;

  GridSize m_panelSize{0, 0};
  GridSize m_realGridNum{0, 0};
  GridSize m_dispGridNum{0, 0};
  GridSize m_opeGridNum{0, 0};
  int32_t m_geoAdjEnable = 0;
  int32_t m_geoAdjMode = 0;
  int32_t m_keyStoneMode = 0;

  GeoCommentRecord m_comment;
  std::string m_geoFilePath;  // empty until SetGeoFilePath
  std::string m_tailText;
  std::string m_headerText;
  double m_marginX = 600.0;
  double m_marginY = 600.0;
  int32_t m_initialized = 0;
  int32_t m_projectorFlag = 0;
  GridSize m_deviceSize{0, 0};

  CSendQueue m_sendQueue;

 private:
  int32_t Setup(const GridSize* panelSize, const GridSize* deviceSize,
                const GridSize* realGridNum, const GridSize* dispGridNum,
                const GridSize* opeGridNum, double marginX, double marginY,
                const double* offset, int32_t projectorFlag);
  void RebuildOpeGrid(CWarpGridOpe& grid, const GridSize& divisions);
  void AllocateOpeBuffers();
  void AllocateDispBuffers();

  void ExportOpeGrid(const CWarpGridOpe& grid, int32_t& hCount, int32_t& vCount);
  void ExportDispLines(const CWarpGridOpe& grid, int32_t& hCount, int32_t& vCount);
  void ExportLines(const CWarpGridOpe& grid, const GridSize& divisions, std::span<double> hBuf,
                   std::span<double> vBuf, int32_t& hCount, int32_t& vCount) const;

  RealGridCallback m_onRealGrid = nullptr;
  OpeGridCallback m_onOpeGrid = nullptr;
  DispGridCallback m_onDispGrid = nullptr;

  // Report buffers: (x, y) pairs, sized at set-up and reused by every report.
  std::vector<double> m_realBuf;
  std::vector<double> m_opeBuf;
  std::vector<double> m_opeHLineBuf;
  std::vector<double> m_opeVLineBuf;
  std::vector<double> m_dispHLineBuf;
  std::vector<double> m_dispVLineBuf;
};

}  // namespace kvogc
