// `kvogc edit` as a process: it serves on a free port, caps request bodies
// over the wire, and stops cleanly on SIGTERM (no leak under AddressSanitizer).
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <httplib.h>
#include <signal.h>

#include <chrono>
#include <regex>
#include <thread>

#include "ToolTestSupport.h"

namespace kvogc::test {
namespace {

TEST(EditServer, ServesCapsBodiesAndStopsOnSigterm) {
  ScratchDir dir;
  const pid_t pid = SpawnTool({"edit", "--port", "0", "--out", (dir / "out").string()}, dir.path(), dir / "log",
                              dir / "err");
  ASSERT_NE(pid, 0);
  // A failed assertion must not leave the server running.
  struct Reaper {
    pid_t pid;
    ~Reaper() {
      if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  } reaper{pid};

  std::smatch match;
  std::string text;
  const std::regex url(R"(http://127\.0\.0\.1:(\d+)/)");
  for (int i = 0; i < 600 && !std::regex_search(text, match, url); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    text = ReadFile(dir / "log");
  }
  ASSERT_TRUE(std::regex_search(text, match, url)) << text;
  const int port = std::stoi(match[1]);
  const std::string origin = "http://127.0.0.1:" + std::to_string(port);

  httplib::Client client("127.0.0.1", port);
  const httplib::Headers headers{{"Origin", origin}};
  const auto page = client.Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("<canvas"), std::string::npos);
  const auto large = client.Post("/api/op", headers, std::string(2 << 20, ' '), "application/json");
  ASSERT_TRUE(large);
  EXPECT_EQ(large->status, 413);
  const auto moved = client.Post("/api/op", headers, R"({"op":"MovePoint","row":1,"col":1,"dx":3,"dy":4})",
                                 "application/json");
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->status, 200);
  const auto foreign = client.Post("/api/undo", httplib::Headers{{"Origin", "http://example.com"}}, "", "text/plain");
  ASSERT_TRUE(foreign);
  EXPECT_EQ(foreign->status, 403);

  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  reaper.pid = 0;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(ReadFile(dir / "log").find("stopped"), std::string::npos);
}

}  // namespace
}  // namespace kvogc::test
#endif
