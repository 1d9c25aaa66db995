// Runs a program (jlistdb, the system's Python) with given input and collects its exit
// status and output, for the tests that drive the tool from outside.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {

struct RunResult {
  int status = -1;  // exit status, -1 when the program did not exit normally
  std::string out;
  std::string err;
};

inline std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

// Runs `argv` with `input` on stdin; the scratch files live in `dir`.
inline RunResult RunProgram(const TempDir& dir, const std::vector<std::string>& argv, const std::string& input = "") {
  const std::string in = dir.File(".stdin");
  const std::string out = dir.File(".stdout");
  const std::string err = dir.File(".stderr");
  WriteBytes(in, std::vector<uint8_t>(input.begin(), input.end()));
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fi = ::open(in.c_str(), O_RDONLY);
    const int fo = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int fe = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fi < 0 || fo < 0 || fe < 0 || ::dup2(fi, 0) < 0 || ::dup2(fo, 1) < 0 || ::dup2(fe, 2) < 0) ::_exit(126);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  RunResult r;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.status = WEXITSTATUS(status);
  r.out = ReadText(out);
  r.err = ReadText(err);
  return r;
}

// jlistdb with `args`.
inline RunResult Jlistdb(const TempDir& dir, std::vector<std::string> args, const std::string& input = "") {
  args.insert(args.begin(), JLISTDB_PATH);
  return RunProgram(dir, args, input);
}

}  // namespace xbase::testing
