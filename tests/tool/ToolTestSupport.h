// Running the kvogc program as a process, and scratch folders for its outputs.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <random>
#if !defined(_WIN32)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace kvogc::test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

/// A fresh folder, removed with everything in it at scope end.
class ScratchDir {
 public:
  ScratchDir() {
    static int counter = 0;
    static const unsigned run = std::random_device{}();  // apart from other test processes
    m_path = fs::temp_directory_path() / ("kvogc-tool-test-" + std::to_string(run) + "-" + std::to_string(++counter));
    fs::remove_all(m_path);
    fs::create_directories(m_path);
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return m_path; }
  fs::path operator/(const std::string& name) const { return m_path / name; }

 private:
  fs::path m_path;
};

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

#if !defined(_WIN32)
/// Starts the kvogc program with these arguments in `workDir`, its output into
/// the two files; the process id, or 0 when it could not start.
inline pid_t SpawnTool(std::vector<std::string> argv, const fs::path& workDir, const fs::path& outFile,
                       const fs::path& errFile) {
  argv.insert(argv.begin(), KVOGC_TOOL_FILE);
  std::vector<char*> pointers;
  for (std::string& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const fs::path previous = fs::current_path();
  fs::current_path(workDir);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
  fs::current_path(previous);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : 0;
}
#endif

/// Runs the kvogc program with these arguments, in `workDir`, capturing its output.
inline ToolRun RunTool(const std::vector<std::string>& args, const fs::path& workDir) {
  ToolRun run;
  const fs::path outFile = workDir / ".tool-stdout";
  const fs::path errFile = workDir / ".tool-stderr";
#if defined(_WIN32)
  std::string command = "cd /d \"" + workDir.string() + "\" && \"" KVOGC_TOOL_FILE "\"";
  for (const std::string& a : args) command += " \"" + a + "\"";
  command += " >\"" + outFile.string() + "\" 2>\"" + errFile.string() + "\"";
  run.exitCode = std::system(("\"" + command + "\"").c_str());
#else
  const pid_t pid = SpawnTool(args, workDir, outFile, errFile);
  int status = 0;
  if (pid == 0) return run;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
#endif
  run.out = ReadFile(outFile);
  run.err = ReadFile(errFile);
  fs::remove(outFile);
  fs::remove(errFile);
  return run;
}

/// The names in a folder, sorted.
inline std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kvogc::test
