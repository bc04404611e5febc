// The editor's requests without a browser: answers, refusals, and a storm of
// malformed and random requests that must leave the state as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>
#include <random>
#include <vector>

#include "EditApi.h"
#include "EditTestSupport.h"
#include "ToolTestSupport.h"

namespace kvogc::tool {
namespace {

constexpr int kPort = 8123;
constexpr const char* kHost = "127.0.0.1:8123";
constexpr const char* kOrigin = "http://127.0.0.1:8123";

class EditApiTest : public ::testing::Test {
 protected:
  EditApiTest() : m_session(SmallSetup(), Base(), EditVariant::Plain), m_api(m_session, m_dir.path(), "127.0.0.1", kPort) {}

  EditResponse Post(const std::string& path, const std::string& body, bool preview = false) {
    return m_api.Handle({"POST", path, preview, kHost, kOrigin, body});
  }
  EditResponse Get(const std::string& path) { return m_api.Handle({"GET", path, false, kHost, "", ""}); }

  // The JSON header of a state answer.
  static nlohmann::json Header(const EditResponse& response) {
    uint32_t length = 0;
    std::memcpy(&length, response.body.data(), 4);
    return nlohmann::json::parse(response.body.substr(4, length));
  }
  // The real grid an answer carries (all of it or some rows), as float32; the
  // arrays follow the header, padded to four bytes.
  static std::vector<float> RealOf(const EditResponse& response, const nlohmann::json& header) {
    uint32_t length = 0;
    std::memcpy(&length, response.body.data(), 4);
    std::vector<float> real(header["arrays"][0][1].get<size_t>());
    std::memcpy(real.data(), response.body.data() + (4 + length + 3) / 4 * 4, 4 * real.size());
    return real;
  }
  std::string Digest() { return Header(Get("/api/state"))["state"]["digest"]; }
  std::string Session() { return Get("/api/session").body; }

  test::ScratchDir m_dir;
  CEditSession m_session;
  CEditApi m_api;
};

TEST_F(EditApiTest, AStepAnswersWithItsStatusAndTheGridsAsFloat32) {
  const EditResponse answer = Post("/api/op", R"({"op":"MovePoint","row":1,"col":2,"dx":10,"dy":-4})");
  ASSERT_EQ(answer.status, 200) << answer.body;
  const nlohmann::json header = Header(answer);
  EXPECT_EQ(header["status"], 0);
  EXPECT_EQ(header["statusName"], "KVOGC_OK");
  EXPECT_EQ(header["limits"], nlohmann::json::array({0, 0}));
  EXPECT_EQ(header["state"]["history"].size(), 1u);
  EXPECT_EQ(header["state"]["realGridNum"], nlohmann::json::array({16, 9}));

  // The arrays follow the padded header in the listed order; the real grid comes first.
  uint32_t length = 0;
  std::memcpy(&length, answer.body.data(), 4);
  size_t floats = 0;
  for (const auto& item : header["arrays"]) floats += item[1].get<size_t>();
  EXPECT_EQ(header["arrays"][0], nlohmann::json::array({"real", 17 * 10 * 2}));
  EXPECT_EQ(answer.body.size(), (4 + length + 3) / 4 * 4 + 4 * floats);
  EXPECT_EQ(RealOf(answer, header)[0], 0.0f);
}

TEST_F(EditApiTest, APreviewForAPageHoldingTheLastAnswerCarriesTheMovedBlockOnly) {
  const EditResponse start = Get("/api/state");
  const nlohmann::json startHeader = Header(start);
  std::vector<float> held = RealOf(start, startHeader);
  const uint64_t token = startHeader["realToken"];
  const std::string move = R"({"op":"MovePoint","row":1,"col":1,"dx":9,"dy":-5})";

  const EditResponse preview = m_api.Handle({"POST", "/api/op", true, kHost, kOrigin, move, token});
  ASSERT_EQ(preview.status, 200) << preview.body;
  const nlohmann::json header = Header(preview);
  EXPECT_EQ(header["realBase"], token);
  const size_t row = header["realRows"][0];
  const size_t rows = header["realRows"][1];
  const size_t col = header["realCols"][0];
  const size_t cols = header["realCols"][1];
  // Node (1, 1) of the 4x3 operation grid moves the real nodes of its four cells only.
  EXPECT_GT(rows * cols, 0u);
  EXPECT_LT(rows, 10u);
  EXPECT_LT(cols, 17u);
  const std::vector<float> block = RealOf(preview, header);
  ASSERT_EQ(block.size(), rows * cols * 2);
  for (size_t r = 0; r < rows; ++r) {
    std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(r * cols * 2), cols * 2,
                held.begin() + static_cast<std::ptrdiff_t>(((row + r) * 17 + col) * 2));
  }
  const EditResponse whole = Get("/api/state");
  EXPECT_EQ(held, RealOf(whole, Header(whole)));

  // A page holding an older answer, or asking for a kept step, gets the whole grid.
  for (const bool asPreview : {true, false}) {
    const EditResponse again = m_api.Handle({"POST", "/api/op", asPreview, kHost, kOrigin, move, token});
    const nlohmann::json h = Header(again);
    EXPECT_FALSE(h.contains("realRows") || h.contains("realCols"));
    EXPECT_EQ(RealOf(again, h).size(), 17u * 10 * 2);
  }
}

TEST_F(EditApiTest, RefusalsNameTheProblemAndChangeNothing) {
  Post("/api/op", R"({"op":"MovePoint","row":1,"col":1,"dx":5,"dy":5})");
  const std::string digest = Digest();
  const std::string session = Session();
  const auto Op = [](std::string body) { return EditRequest{"POST", "/api/op", false, kHost, kOrigin, body}; };
  struct Case {
    EditRequest request;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {Op("{\"op\": \"MovePoint\","), 400, "not valid JSON"},
      {Op(R"({"op":"MovePont","row":1,"col":1,"dx":1,"dy":1})"), 400, "did you mean"},
      {Op(R"({"op":"SetLineSmoothOnOff","col":0,"row":4,"vertical":1,"on":1})"), 422, "KVOGC_E_INVALIDARG"},
      {Op(R"({"op":"AnalyseGeoObjFile","path":"/etc/passwd"})"), 400, "use Open"},
      {{"POST", "/api/op", false, "evil.example:8123", kOrigin, R"({"op":"RefreshAllPoint"})"}, 403, "is not this server"},
      {{"GET", "/api/state", false, "127.0.0.1:9999", "", ""}, 403, "is not this server"},
      {{"POST", "/api/undo", false, kHost, "", ""}, 403, "without an Origin"},
      {{"POST", "/api/undo", false, kHost, "http://evil.example", ""}, 403, "is not this editor's page"},
      {Op(std::string(kMaxEditBody + 1, ' ')), 413, "1 MiB"},
      {{"PUT", "/api/op", false, kHost, kOrigin, ""}, 405, "not allowed"},
      {{"GET", "/../etc/passwd", false, kHost, "", ""}, 404, "no such page"},
      {{"POST", "/api/nothing", false, kHost, kOrigin, ""}, 404, "no such request"},
      {{"POST", "/api/open", false, kHost, kOrigin, "not a warp geometry file"}, 400, "Open"},
  };
  for (const Case& c : cases) {
    const EditResponse answer = m_api.Handle(c.request);
    EXPECT_EQ(answer.status, c.status) << c.request.path << " " << c.request.body.substr(0, 80);
    EXPECT_NE(answer.body.find(c.message), std::string::npos) << answer.body;
    EXPECT_EQ(Digest(), digest) << c.request.body.substr(0, 80);
    EXPECT_EQ(Session(), session);
  }
}

TEST_F(EditApiTest, UndoRedoAndTheSavesAnswer) {
  const std::string start = Digest();
  Post("/api/op", R"({"op":"MoveArea","row":1,"col":1,"dx":8,"dy":3})");
  const std::string moved = Digest();
  EXPECT_NE(moved, start);
  EXPECT_EQ(Header(Post("/api/undo", ""))["state"]["digest"], start);
  const EditResponse nothing = Post("/api/undo", "");
  EXPECT_EQ(Header(nothing)["changed"], false);
  EXPECT_EQ(Header(Post("/api/redo", ""))["state"]["digest"], moved);

  const EditResponse saved = Post("/api/save-warp", "");
  ASSERT_EQ(saved.status, 200) << saved.body;
  EXPECT_TRUE(std::filesystem::exists(m_dir / "warp.obj"));
  EXPECT_TRUE(std::filesystem::exists(m_dir / "warp.png"));
  EXPECT_EQ(test::ReadFile(m_dir / "session.json"), Session());

  // The saved warp opens again as a file of the session.
  const EditResponse opened = Post("/api/open", test::ReadFile(m_dir / "warp.obj"));
  ASSERT_EQ(opened.status, 200) << opened.body;
  EXPECT_EQ(Header(opened)["file"], "opened-1.obj");
}

TEST_F(EditApiTest, AThousandMalformedAndRandomRequestsLeaveTheStateAsItWas) {
  Post("/api/op", R"({"op":"MovePoint","row":2,"col":2,"dx":-6,"dy":7})");
  const std::string digest = Digest();
  const std::string session = Session();

  std::mt19937 random(1234);
  const auto pick = [&random](auto& list) { return list[random() % std::size(list)]; };
  const std::string paths[] = {"/api/op", "/api/op", "/api/op", "/api/open", "/api/op", "/api/nothing", "/", "/api/state"};
  const std::string names[] = {"MovePoint", "MoveLineHorMulti", "SetPinCushion", "SetOpeGridNum", "SetKeyStone",
                               "Nope", "", "GetGeoObjDataFromFile"};
  const std::string values[] = {"1e400", "-1", "99999999999", "\"x\"", "[1]", "[1,2,3]", "null", "{}", "[0,0]",
                                "NaN", "2147483648", "1.5", "[300,2]"};
  const std::string keys[] = {"row", "col", "dx", "dy", "rowFirst", "opeGridNum", "leftUp", "x", "op"};
  int refused = 0;
  for (int i = 0; i < 1200; ++i) {
    std::string body;
    switch (random() % 4) {
      case 0:  // a step with wrong, missing or extra arguments
        body = "{\"op\":\"" + pick(names) + "\"";
        for (int k = random() % 5; k > 0; --k) body += ",\"" + pick(keys) + "\":" + pick(values);
        body += "}";
        break;
      case 1:  // random bytes
        body.resize(random() % 64);
        for (char& c : body) c = static_cast<char>(random() % 256);
        break;
      case 2:  // a valid step cut short
        body = std::string(R"({"op":"MoveAreaMulti","rowFirst":0,"rowLast":1,"colFirst":0,"colLast":1,"dx":1,"dy":2})")
                   .substr(0, random() % 80);
        break;
      default:  // indices outside the grid: the library refuses
        body = "{\"op\":\"SetLineSmoothOnOff\",\"col\":" + std::to_string(static_cast<int>(random() % 40) - 20) +
               ",\"row\":" + std::to_string(40 + random() % 9) + ",\"vertical\":1,\"on\":1}";
        break;
    }
    const std::string path = pick(paths);  // not undo or redo: valid requests, not part of this storm
    const bool badHost = random() % 10 == 0;
    const EditResponse answer =
        m_api.Handle({random() % 7 == 0 ? "GET" : "POST", path, random() % 2 == 0, badHost ? "x:1" : kHost, kOrigin, body});
    if (answer.status >= 400) ++refused;
    ASSERT_TRUE(answer.status == 200 || (answer.status >= 400 && answer.status < 500)) << answer.status << answer.body;
    if (answer.status == 200 && path == "/api/op") FAIL() << "accepted: " << body;
  }
  EXPECT_GT(refused, 1000);
  EXPECT_EQ(Digest(), digest);
  EXPECT_EQ(Session(), session);
  const EditResponse after = Post("/api/op", R"({"op":"MovePoint","row":2,"col":2,"dx":1,"dy":1})");
  EXPECT_EQ(after.status, 200);
}

}  // namespace
}  // namespace kvogc::tool
