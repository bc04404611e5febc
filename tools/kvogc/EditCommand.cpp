// kvogc edit: sets up the session the command line asks for and serves the
// editor over HTTP until SIGINT or SIGTERM.
#include "EditCommand.h"

#include <httplib.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <thread>

#include "CommentRecord.h"
#include "EditApi.h"
#include "EditSession.h"
#include "GeoFileProbe.h"
#include "OutputFiles.h"
#include "ToolError.h"

#if !defined(_WIN32)
#include <pthread.h>
#include <signal.h>
#endif

namespace kvogc::tool {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace {

struct StartState {
  ScenarioSetup setup;
  std::vector<EditEntry> base;
};

EditEntry Entry(const json& step, std::string_view source) {
  EditEntry entry;
  entry.step = ParseScenarioStep(step.dump(), source, 1, fs::current_path());
  entry.json = step.dump();
  return entry;
}

// A scenario's steps, with file names made absolute so that the saved session
// finds them from its own folder.
StartState FromScenario(const std::string& path) {
  const std::string text = ReadInputFile(path, "scenario");
  const fs::path base = fs::absolute(path).parent_path();
  const Scenario scenario = ParseScenario(text, path, base);
  const json document = json::parse(text);
  StartState start{scenario.setup, {}};
  for (const ScenarioStep& step : scenario.steps) {
    json item = document["steps"][step.number - 1];
    for (size_t i = 0; i < step.op->args.size(); ++i) {
      if (step.op->args[i].kind == ArgKind::Path) item[std::string(step.op->args[i].name)] = step.args.Path(i);
    }
    start.base.push_back({step, item.dump()});
  }
  return start;
}

// A warp geometry file: read into a manager of its size, then its recorded
// corrections set again, as `kvogc render` does.
StartState FromGeoFile(const EditOptions& options) {
  const std::string text = ReadInputFile(options.file, "warp geometry file");
  const GeoTextLayout layout = ProbeGeoText(text);
  if (layout.projectorSize) {
    throw CToolError(kExitBadInput, options.file + ": written in the projector layout; kvogc reads the plain layout");
  }
  StartState start;
  ScenarioSetup& setup = start.setup;
  setup.realGridNum = RealGridNumOf(layout, options.realGridNum, options.file);
  setup.panelSize = options.panelSize.value_or(GridSize{1920, 1080});
  setup.deviceSize = setup.panelSize;
  setup.opeGridNum = options.opeGridNum.value_or(layout.guiGridCount.value_or(GridSize{4, 4}));
  setup.dispGridNum = setup.opeGridNum;
  const std::string path = fs::absolute(options.file).string();
  start.base.push_back(Entry({{"op", "GetGeoObjDataFromFile"}, {"path", path}}, options.file));

  // The record is only known once the library has read the file.
  CEditManager probe(setup, EditVariant::Plain);
  if (const int32_t status = probe.Run(start.base.back().step).status; status != KVOGC_OK) {
    throw CToolError(kExitBadInput, options.file + ": the library could not read it: " + DescribeStatus(status));
  }
  const std::vector<int32_t> record = probe.Comment();
  const HostCorrections c = CorrectionsFromRecord(
      std::span<const int32_t, kCommentFieldCount>(record.data(), kCommentFieldCount), setup.panelSize);
  start.base.push_back(Entry({{"op", "SetGeoAdjEnable"}, {"enable", 1}}, options.file));
  start.base.push_back(Entry({{"op", "SetKeyStoneMode"}, {"mode", c.keystoneScreen ? 1 : 0}}, options.file));
  if (c.keystoneScreen) {
    start.base.push_back(Entry({{"op", "SetKeyStone"}, {"pitching", c.pitching}, {"angle", c.angle},
                                {"rolling", c.keyStoneRolling}, {"th", c.th}, {"hShift", c.hShift},
                                {"vShift", c.vShift}, {"zOffset", 0.0}, {"isFitSize", c.keyStoneIsFitSize}},
                               options.file));
  } else {
    start.base.push_back(Entry({{"op", "SetLinearity"}, {"vertical", c.linearityVertical},
                                {"horizontal", c.linearityHorizontal}},
                               options.file));
    start.base.push_back(Entry({{"op", "SetPinCushion"}, {"leftUp", c.leftUp}, {"rightUp", c.rightUp},
                                {"rightLow", c.rightLow}, {"leftLow", c.leftLow}, {"left", c.left},
                                {"upper", c.upper}, {"right", c.right}, {"lower", c.lower},
                                {"isFitSize", c.cornerIsFitSize}},
                               options.file));
    start.base.push_back(Entry({{"op", "Set4CornerRotation"}, {"rolling", c.cornerRolling},
                                {"isFitSize", c.cornerIsFitSize}},
                               options.file));
  }
  return start;
}

StartState MakeStart(const EditOptions& options) {
  StartState start;
  if (options.file.empty()) {
    ScenarioSetup& setup = start.setup;
    if (options.panelSize) setup.panelSize = *options.panelSize;
    setup.deviceSize = setup.panelSize;
    if (options.realGridNum) setup.realGridNum = *options.realGridNum;
    if (options.opeGridNum) setup.opeGridNum = *options.opeGridNum;
    start.base.push_back(Entry({{"op", "SetGeoAdjEnable"}, {"enable", 1}}, "start"));
  } else if (fs::path(options.file).extension() == ".json") {
    start = FromScenario(options.file);
  } else {
    start = FromGeoFile(options);
  }
  // The page needs every grid from the start; a refresh reports them all.
  start.base.push_back(Entry({{"op", "RefreshAllPoint"}}, "start"));
  return start;
}

EditRequest ToEditRequest(const httplib::Request& request) {
  EditRequest edit;
  edit.method = request.method;
  edit.path = request.path;
  edit.preview = request.has_param("preview") && request.get_param_value("preview") == "1";
  edit.host = request.get_header_value("Host");
  edit.origin = request.get_header_value("Origin");
  edit.body = request.body;
  if (request.has_param("base")) {
    const std::string base = request.get_param_value("base");
    // Anything but a number is no base: the answer then carries the whole grid.
    if (std::from_chars(base.data(), base.data() + base.size(), edit.realBase).ec != std::errc()) edit.realBase = 0;
  }
  return edit;
}

#if defined(_WIN32)
// Ctrl+C sets a flag that a watcher turns into a stop of the server.
std::atomic<bool> g_stopRequested{false};

class CSignalStop {
 public:
  CSignalStop() {
    std::signal(SIGINT, [](int) { g_stopRequested = true; });
    std::signal(SIGTERM, [](int) { g_stopRequested = true; });
  }
  ~CSignalStop() {
    m_done = true;
    if (m_waiter.joinable()) m_waiter.join();
  }
  CSignalStop(const CSignalStop&) = delete;
  CSignalStop& operator=(const CSignalStop&) = delete;

  void StopOnSignal(httplib::Server& server) {
    m_waiter = std::thread([this, &server] {
      while (!m_done && !g_stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      server.stop();
    });
  }

 private:
  std::atomic<bool> m_done{false};
  std::thread m_waiter;
};
#else
// SIGINT and SIGTERM are blocked in every thread and taken by one that stops the server.
class CSignalStop {
 public:
  CSignalStop() {
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &m_signals, &m_previous);
  }
  ~CSignalStop() {
    if (m_waiter.joinable()) {
      pthread_kill(m_waiter.native_handle(), SIGTERM);
      m_waiter.join();
    }
    // A signal that arrived after the server stopped stays pending: take it before unblocking.
    timespec none{0, 0};
    while (sigtimedwait(&m_signals, nullptr, &none) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
  }
  CSignalStop(const CSignalStop&) = delete;
  CSignalStop& operator=(const CSignalStop&) = delete;

  void StopOnSignal(httplib::Server& server) {
    m_waiter = std::thread([this, &server] {
      int signal = 0;
      sigwait(&m_signals, &signal);
      server.stop();
    });
  }

 private:
  sigset_t m_signals;
  sigset_t m_previous;
  std::thread m_waiter;
};
#endif

}  // namespace

int RunEdit(const EditOptions& options, std::ostream& out) {
  const StartState start = MakeStart(options);
  const fs::path outDir = PrepareOutputDir(options.outDir);
  CSignalStop signals;
  CEditSession session(start.setup, start.base, EditVariant::Plain);

  httplib::Server server;
  server.set_payload_max_length(kMaxEditBody);
  // Drag steps are small answers in a row: no waiting for a delayed acknowledgement.
  server.set_tcp_nodelay(true);
  // A drag sends a step per frame; a connection closed every few requests
  // (the library's default) costs a new one in the middle of a drag.
  server.set_keep_alive_max_count(100000);
  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port(options.listen);
  } else if (!server.bind_to_port(options.listen, port)) {
    port = -1;
  }
  if (port <= 0) {
    throw CToolError(kExitBadInput, "cannot listen on " + options.listen + " port " + std::to_string(options.port));
  }
  CEditApi api(session, outDir, options.listen, port);
  const auto handle = [&api](const httplib::Request& request, httplib::Response& response) {
    const auto start = std::chrono::steady_clock::now();
    const EditResponse answer = api.Handle(ToEditRequest(request));
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    response.status = answer.status;
    response.set_header("Server-Timing", "edit;dur=" + std::to_string(spent.count()));
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Content-Security-Policy",
                        "default-src 'self'; img-src 'self' blob: data:; style-src 'self'; connect-src 'self'");
    response.set_content(answer.body, answer.contentType.c_str());
  };
  server.Get(".*", handle);
  server.Post(".*", handle);
  server.Put(".*", handle);
  server.Patch(".*", handle);
  server.Delete(".*", handle);
  server.Options(".*", handle);

  const std::string url = api.Origin() + "/";
  if (options.listen != "127.0.0.1" && options.listen != "::1") {
    out << "kvogc edit: warning: listening on " << options.listen
        << ", reachable from other machines; anyone who reaches it can change the warp and write files in "
        << outDir.string() << '\n';
  }
  out << "kvogc edit: " << url << " (saves go to " << outDir.string() << "; Ctrl+C stops)" << std::endl;
  if (options.open) {
    const std::string command = "xdg-open '" + url + "' >/dev/null 2>&1 &";
    if (std::system(command.c_str()) != 0) out << "kvogc edit: could not open a browser\n";
  }
  signals.StopOnSignal(server);
  server.listen_after_bind();
  out << "kvogc edit: stopped" << std::endl;
  return kExitOk;
}

}  // namespace kvogc::tool
