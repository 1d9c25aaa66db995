// Tests of what a user meets in a folder or file they may not write. Root may write
// anywhere, so under root the test is run again in a child process as the user "nobody"
// (setpriv, from util-linux), and the child's outcome becomes the test's.
//
//   TEST(RebuildTest, ReadOnlyFolder) {
//     if (!RunHereOrAsUnprivilegedUser()) return;  // ran as nobody; outcome reported
//     ... the test itself, run by a user whom permissions bind ...
//   }
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// True when permissions bind the caller and the test should go on here; false when the
// test ran in a child process as an unprivileged user (its result has been reported).
inline bool RunHereOrAsUnprivilegedUser() {
  if (geteuid() != 0) return true;
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string filter = std::string(info->test_suite_name()) + "." + info->name();
  char exe[4096];
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) {
    ADD_FAILURE() << "cannot find the test program";
    return false;
  }
  exe[length] = '\0';
  const std::string log = "/tmp/jotlist-unprivileged-" + std::to_string(getpid()) + ".log";
  // HOME and the runtime folder of root are closed to nobody; the child gets its own.
  const std::string command = "env HOME=/tmp XDG_RUNTIME_DIR=/tmp/jotlist-runtime-nobody setpriv --reuid=65534 "
                              "--regid=65534 --clear-groups '" +
                              std::string(exe) + "' --gtest_filter='" + filter + "' >'" + log + "' 2>&1";
  const int rc = std::system(command.c_str());
  std::ifstream in(log);
  std::stringstream output;
  output << in.rdbuf();
  std::remove(log.c_str());
  EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << "as nobody:\n" << output.str();
  EXPECT_NE(output.str().find("[  PASSED  ] 1 test"), std::string::npos) << "as nobody:\n" << output.str();
  return false;
}
