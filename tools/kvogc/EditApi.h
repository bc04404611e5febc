// The editor's requests, independent of the HTTP server that carries them:
// the page's files, the state, the steps (spelt as a scenario spells them and
// read by the scenario parser), undo, redo and the saves. Every answer the page
// acts on carries the status and its name; grids travel as float32.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "EditSession.h"

namespace kvogc::tool {

/// Largest request body the editor reads.
inline constexpr size_t kMaxEditBody = 1 << 20;

struct EditRequest {
  std::string method;
  std::string path;
  bool preview = false;  ///< "?preview=1"
  std::string host;      ///< the Host header
  std::string origin;    ///< the Origin header; empty when there is none
  std::string body;
  /// "&base=N": the page holds the real grid of answer N, so a preview's answer
  /// may carry only the rows that changed since; 0 for none.
  uint64_t realBase = 0;
};

struct EditResponse {
  int status = 200;
  std::string contentType = "application/json";
  std::string body;
};

class CEditApi {
 public:
  /// Saves go to `outDir`; `address` and `port` are where the server listens.
  CEditApi(CEditSession& session, std::filesystem::path outDir, std::string address, int port);

  EditResponse Handle(const EditRequest& request);
  /// "http://127.0.0.1:8080"
  std::string Origin() const;

 private:
  EditResponse HandleGet(const std::string& path);
  EditResponse HandlePost(const EditRequest& request);
  EditResponse Step(const std::string& body, bool preview, uint64_t realBase);
  EditResponse Open(const std::string& body);
  EditResponse SaveSession();
  EditResponse SaveWarp();
  bool HostAllowed(const std::string& host) const;
  EditResponse StateAnswer(nlohmann::json extra, uint64_t realBase = 0);

  CEditSession& m_session;
  std::filesystem::path m_outDir;
  std::string m_address;
  int m_port;
  std::mutex m_saving;  // saves and opens write files in one folder
  int m_opened = 0;
  std::mutex m_sentLock;          // answers are made on the server's threads
  std::vector<float> m_sentReal;  // the real grid of the last state answer
  uint64_t m_sentToken = 0;       // and its number
};

/// The block of real-grid nodes an answer carries: all unless the page holds an
/// earlier answer's grid that differs in these rows and columns only.
struct RealBlock {
  size_t row = 0;
  size_t rows = SIZE_MAX;
  size_t col = 0;
  size_t cols = SIZE_MAX;
};

/// The state as the page reads it: a 4-byte little-endian length, that many
/// bytes of JSON, padding to a multiple of 4, then the float32 arrays the JSON's
/// "arrays" lists, in its order. With only a block of the real grid, row by
/// row, the JSON's "realRows" and "realCols" say which ([first, count]).
std::string EncodeState(const EditView& view, const ScenarioSetup& setup, const std::string& extraJson,
                        RealBlock block = {});

/// A 64-bit digest (hex) of the grids' doubles and the comment record: equal digests, equal bits.
std::string StateDigest(const EditGrids& grids, const std::vector<int32_t>& comment);

}  // namespace kvogc::tool
