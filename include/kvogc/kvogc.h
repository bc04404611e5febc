/*
 * KVOGridCalc: geometric warp of a projected image.
 *
 * A host creates a grid manager with one of the three Init functions, registers
 * its callbacks, sets the manager up with SetParam (or SetParamWithOffset) and
 * then edits the coarse operation grid; after every edit the manager reports
 * the corrected fine real grid through the callbacks, on the calling thread,
 * before the call returns. Calls on one handle must not overlap; separate
 * handles share nothing.
 *
 * Failure rules that hold for every function below:
 * - Every kvogcGridManager_ function returns a status in the HRESULT
 *   convention: 0 (KVOGC_OK) or another non-negative value is success, a
 *   negative value a failure (kvogcStatus). Each section below opens with the
 *   rule its functions share; an entry names only what it adds.
 * - A null handle does nothing: GetGeoObjData returns KVOGC_E_FAIL, every
 *   other function KVOGC_E_INVALIDARG.
 * - "Before set-up" means before the first successful SetParam or
 *   SetParamWithOffset on the handle. "A projector without a save-in slot" is a
 *   projector or projector-device manager whose SetGeoAdjProjectorSaveIn value
 *   lies outside 0..2.
 * - No exception crosses this interface. Memory running out inside a call gives
 *   KVOGC_E_OUTOFMEMORY and any other internal failure KVOGC_E_FAIL; the call
 *   stops where it was (after a SetParam that ran out the manager is not set
 *   up).
 * - Sizes and indices the library cannot use, and null pointers where a value
 *   is read or written, give KVOGC_E_INVALIDARG and change nothing.
 * - Arrays passed to callbacks belong to the manager and stay valid until the
 *   next call on the same handle.
 *
 * Argument order: moves take the row before the column; SetGridPointPosition,
 * SetSmoothLine and SetLineSmoothOnOff take the column before the row.
 */
#ifndef KVOGC_KVOGC_H
#define KVOGC_KVOGC_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(KVOGC_BUILDING)
#    define KVOGC_API __declspec(dllexport)
#  else
#    define KVOGC_API __declspec(dllimport)
#  endif
#else
#  define KVOGC_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Status codes; any other negative value comes unchanged from a sibling module or a target. */
enum kvogcStatus {
  KVOGC_OK = 0,                              /**< success */
  KVOGC_FALSE = 1,                           /**< AnalyseGeoObjFile: the file could not be opened */
  KVOGC_E_NOTIMPL = (int32_t)0x80004001,     /**< operation not available in this build */
  KVOGC_E_FAIL = (int32_t)0x80004005,        /**< not set up yet, or a general failure */
  KVOGC_E_UNEXPECTED = (int32_t)0x8000FFFF,  /**< a position outside the real grid */
  KVOGC_E_OUTOFMEMORY = (int32_t)0x8007000E, /**< memory ran out during the call */
  KVOGC_E_INVALIDARG = (int32_t)0x80070057,  /**< an argument out of range; nothing was changed */
  KVOGC_E_HANDLE = (int32_t)0x80070006       /**< a needed sibling module's factory is missing */
};

/** A size: the panel in pixels, or a number of divisions across (cx) and down (cy); N divisions are N+1 points. */
typedef struct GridSize {
  int32_t cx;
  int32_t cy;
} GridSize;

/** Opaque grid manager; a handle lives from an Init function to kvogcFinishLibrary. */
typedef struct kvogcManager kvogcManager;

/** The final real grid: (divX+1)*(divY+1) (x, y) pairs of doubles, row by row. */
typedef void (*RealGridCallback)(double* points, int32_t divX, int32_t divY);
/** The final operation grid: its nodes row by row, then the samples of every horizontal line
    (row after row) and every vertical line (column after column); hCount/vCount count one row/column. */
typedef void (*OpeGridCallback)(double* points, double* hLines, double* vLines, int32_t hCount,
                                int32_t vCount);
/** The display grid's horizontal and vertical line samples, laid out as for OpeGridCallback. */
typedef void (*DispGridCallback)(double* hLines, double* vLines, int32_t hCount, int32_t vCount);

/* ---- Creation and destruction ----
 * Failure rule: an Init function returns null when the manager cannot be
 * created (memory ran out). A sibling module that cannot be loaded is no
 * failure here; the operations that need it report KVOGC_E_HANDLE later. */

/** Creates a plain grid manager. */
KVOGC_API kvogcManager* kvogcInitLibrary(void);
/** Creates a projector grid manager (three save-in slots, projector text layout). */
KVOGC_API kvogcManager* kvogcInitProjectorLibrary(void);
/** Creates a projector-device grid manager (delivers point planes to the setting module). */
KVOGC_API kvogcManager* kvogcInitProjectorDeviceLibrary(void);
/** Stops the manager's worker thread (after the delivery in progress, if any), drops the sends
    still queued and frees everything the manager owns; the handle is invalid afterwards. A null
    handle does nothing. Cannot fail. */
KVOGC_API void kvogcFinishLibrary(kvogcManager* handle);

/* ---- Set-up ----
 * Failure rule: these work before set-up, except SetOpeGridNum and
 * SetDispGridNum (KVOGC_E_FAIL). A size that is null, not positive, or whose
 * grids and report buffers would pass the int32 limits gives
 * KVOGC_E_INVALIDARG and changes nothing. The mode setters cannot fail: any
 * value is stored and takes effect at the next recomputation. */

/** Stores the three callbacks (a null one's report is skipped) and starts the worker thread
    that delivers the sends. KVOGC_E_FAIL when the system cannot start the thread: the
    callbacks are stored, but no asynchronous send will be delivered (a later RegistCallback
    tries again). A second call while the thread runs replaces the callbacks only. */
KVOGC_API int32_t kvogcGridManager_RegistCallback(kvogcManager* handle, RealGridCallback onRealGrid,
                                                  OpeGridCallback onOpeGrid,
                                                  DispGridCallback onDispGrid);
/** Sizes and lays out every grid evenly, resets the corrections; reports nothing.
    KVOGC_E_INVALIDARG, nothing changed, also for non-finite margins, a projector-device
    manager's non-positive deviceSize, and a projector without a save-in slot. deviceSize is
    read by the projector-device manager only, projectorFlag by the projector manager only. */
KVOGC_API int32_t kvogcGridManager_SetParam(kvogcManager* handle, const GridSize* panelSize,
                                            const GridSize* deviceSize,
                                            const GridSize* realGridNum,
                                            const GridSize* dispGridNum,
                                            const GridSize* opeGridNum, double marginX,
                                            double marginY, int32_t projectorFlag);
/** As SetParam, with the base and reference grids inset by offsetX left and right and offsetY
    top and bottom (the projector managers' reference grid keeps the whole panel). Non-finite
    offsets: KVOGC_E_INVALIDARG. */
KVOGC_API int32_t kvogcGridManager_SetParamWithOffset(
    kvogcManager* handle, const GridSize* panelSize, const GridSize* deviceSize,
    const GridSize* realGridNum, const GridSize* dispGridNum, const GridSize* opeGridNum,
    double marginX, double marginY, double offsetX, double offsetY);
/** Names the file every send also writes; an empty path writes no file. Null path:
    KVOGC_E_INVALIDARG. */
KVOGC_API int32_t kvogcGridManager_SetGeoFilePath(kvogcManager* handle, const char* path);
/** Enables (non-zero) or disables the corrections. Returns KVOGC_OK. */
KVOGC_API int32_t kvogcGridManager_SetGeoAdjEnable(kvogcManager* handle, int32_t enable);
/** Projector managers: selects save-in slot 0..2. Any value is kept and KVOGC_OK returned; one
    outside 0..2 selects no slot, and the operations on the base grid return KVOGC_E_INVALIDARG
    until a valid one is set. The plain manager ignores it. */
KVOGC_API int32_t kvogcGridManager_SetGeoAdjProjectorSaveIn(kvogcManager* handle, int32_t value);
/** 0: corrections start from the user's warp; non-zero: from the evenly spaced grid.
    Returns KVOGC_OK. */
KVOGC_API int32_t kvogcGridManager_SetGeoAdjMode(kvogcManager* handle, int32_t mode);
/** Re-divides the operation grids, keeping the real warp; reports the real and operation
    grids. KVOGC_E_FAIL before set-up; KVOGC_E_INVALIDARG for a projector without a slot. */
KVOGC_API int32_t kvogcGridManager_SetOpeGridNum(kvogcManager* handle, const GridSize* opeGridNum);
/** Re-divides the display grid and reports it. KVOGC_E_FAIL before set-up. */
KVOGC_API int32_t kvogcGridManager_SetDispGridNum(kvogcManager* handle,
                                                  const GridSize* dispGridNum);

/* ---- Edits ----
 * Row 0 is the top, column 0 the left; moves are given on the corrected grid.
 * Failure rule: KVOGC_E_FAIL before set-up; KVOGC_E_INVALIDARG for a
 * projector without a save-in slot and for indices outside the operation grid
 * (the node, line, cell or range named). On failure nothing is changed,
 * nothing is reported and no out flag is written. limitX/limitY may be null. */

/** Column first. Places operation node (row, col) of the uncorrected grid at (x, y) and
    re-interpolates the cells around it; reports nothing. */
KVOGC_API int32_t kvogcGridManager_SetGridPointPosition(kvogcManager* handle, int32_t col,
                                                        int32_t row, double x, double y);
/** Moves one node by (dx, dy); limitX/limitY are set to 1 when the margin clamp reduced that
    axis to nothing, else 0. Non-finite moves are not refused (a NaN request counts as non-zero,
    a NaN result not as zero). */
KVOGC_API int32_t kvogcGridManager_MovePoint(kvogcManager* handle, int32_t row, int32_t col,
                                             double dx, double dy, int32_t* limitX,
                                             int32_t* limitY);
/** Moves the horizontal boundary line from node (row, col) to (row, col+1): both its end
    nodes, by the move converted at (row, col). col must leave a node to the right. */
KVOGC_API int32_t kvogcGridManager_MoveLineHor(kvogcManager* handle, int32_t row, int32_t col,
                                               double dx, double dy);
/** Moves nodes colFirst..colLast of a row; the clamp is taken at (row, colFirst). */
KVOGC_API int32_t kvogcGridManager_MoveLineHorMulti(kvogcManager* handle, int32_t row,
                                                    int32_t colFirst, int32_t colLast, double dx,
                                                    double dy, int32_t* limitX, int32_t* limitY);
/** Moves the vertical boundary line from node (row, col) to (row+1, col): both its end
    nodes, by the move converted at (row, col). row must leave a node below. */
KVOGC_API int32_t kvogcGridManager_MoveLineVer(kvogcManager* handle, int32_t row, int32_t col,
                                               double dx, double dy);
/** Moves nodes rowFirst..rowLast of a column; the clamp is taken at (rowFirst, col). */
KVOGC_API int32_t kvogcGridManager_MoveLineVerMulti(kvogcManager* handle, int32_t rowFirst,
                                                    int32_t rowLast, int32_t col, double dx,
                                                    double dy, int32_t* limitX, int32_t* limitY);
/** Moves the four nodes of the cell whose top-left node is (row, col). */
KVOGC_API int32_t kvogcGridManager_MoveArea(kvogcManager* handle, int32_t row, int32_t col,
                                            double dx, double dy);
/** Moves the block of nodes rowFirst..rowLast x colFirst..colLast; the clamp is taken at
    (rowFirst, colFirst). */
KVOGC_API int32_t kvogcGridManager_MoveAreaMulti(kvogcManager* handle, int32_t rowFirst,
                                                 int32_t rowLast, int32_t colFirst,
                                                 int32_t colLast, double dx, double dy,
                                                 int32_t* limitX, int32_t* limitY);
/** Turns every boundary line into a Bezier curve (non-zero) or a straight segment (0);
    reports nothing. */
KVOGC_API int32_t kvogcGridManager_SetSmoothModeOnOff(kvogcManager* handle, int32_t on);
/** Column first. Curves the line starting at (row, col) (vertical non-zero: the one going down,
    else the one going right) with the given handle vectors (pixels, relative to its ends);
    reports nothing. The exception to the rule: a line that does not exist changes nothing
    and still gives KVOGC_OK. */
KVOGC_API int32_t kvogcGridManager_SetSmoothLine(kvogcManager* handle, int32_t col, int32_t row,
                                                 int32_t vertical, double startHandleX,
                                                 double startHandleY, double endHandleX,
                                                 double endHandleY);
/** Column first. Switches the curve of the line starting at (row, col), chosen as for
    SetSmoothLine; reports nothing. KVOGC_E_INVALIDARG, nothing changed, if there is none. */
KVOGC_API int32_t kvogcGridManager_SetLineSmoothOnOff(kvogcManager* handle, int32_t col,
                                                      int32_t row, int32_t vertical, int32_t on);
/** Recomputes the corrections and reports all three grids. */
KVOGC_API int32_t kvogcGridManager_RefreshAllPoint(kvogcManager* handle);

/* ---- Corrections ----
 * Failure rule: before set-up the setters store their values in the comment
 * record, apply nothing and return KVOGC_E_FAIL (SetParam later starts every
 * correction neutral). After set-up, a projector without a save-in slot gets
 * KVOGC_E_INVALIDARG with nothing stored (all setters but Set4CornerRotation
 * and AutoReduction). GetBasicFinalPosition and InitBasicCalcParam store
 * nothing: KVOGC_E_FAIL before set-up. */

/** 0: four-corner screen (linearity, pincushion, rotation); non-zero: keystone screen. */
KVOGC_API int32_t kvogcGridManager_SetKeyStoneMode(kvogcManager* handle, int32_t mode);
/** Sets the keystone (degrees, throw ratio, shifts); applied in the keystone screen only. */
KVOGC_API int32_t kvogcGridManager_SetKeyStone(kvogcManager* handle, double pitching,
                                               double angle, double rolling, double th,
                                               double hShift, double vShift, double zOffset,
                                               int32_t isFitSize);
/** Sets the linearity angles in degrees. Angles at or beyond +-90 or not finite leave the
    correction as it was; the comment record keeps what was given. */
KVOGC_API int32_t kvogcGridManager_SetLinearity(kvogcManager* handle, double vertical,
                                                double horizontal);
/** Sets the four corners (two doubles each, in panel widths/heights) and the edge bends.
    Non-finite values leave the correction as it was; a null corner gives KVOGC_E_INVALIDARG
    with nothing stored. */
KVOGC_API int32_t kvogcGridManager_SetPinCushion(kvogcManager* handle, const double* leftUp,
                                                 const double* rightUp, const double* rightLow,
                                                 const double* leftLow, double left, double upper,
                                                 double right, double lower, int32_t isFitSize);
/** Rotates the four-corner image by rolling degrees. */
KVOGC_API int32_t kvogcGridManager_Set4CornerRotation(kvogcManager* handle, double rolling,
                                                      int32_t isFitSize);
/** Mirrors the warp top to bottom; with withOpeGrid == 1 the operation grid too. Fails as the
    edits do. */
KVOGC_API int32_t kvogcGridManager_FlipV(kvogcManager* handle, int32_t withOpeGrid);
/** Mirrors the warp left to right; with withOpeGrid == 1 the operation grid too. Fails as the
    edits do. */
KVOGC_API int32_t kvogcGridManager_FlipH(kvogcManager* handle, int32_t withOpeGrid);

/* ---- Geometry data and delivery ----
 * target is the host's delivery target, an IGeoObjTarget* (kvogc_modules.hpp).
 * Failure rule: KVOGC_E_FAIL before set-up; KVOGC_E_INVALIDARG for a null
 * target, out pointer or path and for a projector without a save-in slot;
 * KVOGC_E_HANDLE when a sibling module the call needs is missing; a negative
 * status of a target or module object is returned unchanged. A read that
 * fails leaves the grids as they were, except where an entry says otherwise.
 * A failed asynchronous delivery is dropped on the worker thread: only the
 * target sees it. */

/** Queues an asynchronous delivery of the corrected grid to target; a newer send to the same
    target replaces one still queued. The plain manager first reads the target's kept texture
    mapping and faces when it holds none (GetChannel, a read request). sendBaseGrid is read by
    the projector-device manager only (also send the base grid). Before set-up: KVOGC_E_FAIL,
    after the target was made the one served first. */
KVOGC_API int32_t kvogcGridManager_SendGeoObjData(kvogcManager* handle, void* target,
                                                  int32_t sendBaseGrid);
/** Projector-device manager: delivers on the calling thread, pausing the worker meanwhile, and
    returns the delivery's status (the setting module's, or KVOGC_E_HANDLE without the core
    model or setting module); the other managers do nothing and return KVOGC_OK. */
KVOGC_API int32_t kvogcGridManager_SendGeoObjDataSync(kvogcManager* handle, void* target,
                                                      int32_t sendBaseGrid);
/** Reads the geometry kept by target back into the manager and reports the grids. Projector
    manager: only clears the kept texts and returns KVOGC_OK, also before set-up and whatever
    target is. Projector-device manager: reads
    the active slot's warp, also before set-up (then the comment record only). A malformed
    "#prev" number gives KVOGC_E_INVALIDARG with the lines before it applied. */
KVOGC_API int32_t kvogcGridManager_GetGeoObjData(kvogcManager* handle, void* target);
/** Reads a warp geometry file into the manager as GetGeoObjData reads a target's text; unused
    is not read. KVOGC_E_FAIL if the file cannot be opened. */
KVOGC_API int32_t kvogcGridManager_GetGeoObjDataFromFile(kvogcManager* handle, void* unused,
                                                         const char* path);
/** Copies the 28 values of the geometry comment record into out; works before set-up. */
KVOGC_API int32_t kvogcGridManager_GetGeoObjComment(kvogcManager* handle, int32_t* out);
/** Copies the uncorrected (base) real grid, (realX+1)*(realY+1) (x, y) pairs row by row,
    into out. */
KVOGC_API int32_t kvogcGridManager_GetGeometryGridData(kvogcManager* handle, double* out);
/** Takes count (x, y) pairs as the new uncorrected real grid (pairs beyond the grid are
    ignored) and reports the grids; the plain manager then reads target's kept texts again
    (target may be null; that read's failure is not reported). Null points with a non-zero
    count: KVOGC_E_INVALIDARG. */
KVOGC_API int32_t kvogcGridManager_SetGeometryGridData(kvogcManager* handle, void* target,
                                                       const double* points, uint32_t count);
/** Writes the chosen corner (xSel, ySel in 0..1) of the fully corrected grid into out[2];
    other selectors write nothing and return KVOGC_OK. KVOGC_E_FAIL before set-up. */
KVOGC_API int32_t kvogcGridManager_GetBasicFinalPosition(kvogcManager* handle, int32_t xSel,
                                                         int32_t ySel, double* out);
/** Shrinks the final grid into the panel when isFitSize is non-zero and reports it. Stores
    the flag, then KVOGC_E_FAIL before set-up. */
KVOGC_API int32_t kvogcGridManager_AutoReduction(kvogcManager* handle, int32_t isFitSize);
/** Returns the three corrections to neutral without recomputing or reporting. */
KVOGC_API int32_t kvogcGridManager_InitBasicCalcParam(kvogcManager* handle);
/** Reads a warp geometry file's comment record and grid; KVOGC_FALSE (a success value) if it
    cannot be opened. */
KVOGC_API int32_t kvogcGridManager_AnalyseGeoObjFile(kvogcManager* handle, const char* path);

#ifdef __cplusplus
}
#endif

#endif /* KVOGC_KVOGC_H */
