#include "store/xbase/Status.h"

#include <gtest/gtest.h>

namespace xbase {
namespace {

TEST(StatusTest, OkAndFailuresCarryCodeAndMessage) {
  EXPECT_TRUE(Status::Ok().ok());
  EXPECT_EQ(Status::Ok().ToString(), "OK");
  const Status locked = Status::RecordLocked("record 7");
  EXPECT_FALSE(locked.ok());
  EXPECT_TRUE(locked.IsRecordLocked());
  EXPECT_EQ(locked.ToString(), "Record locked: record 7");
}

}  // namespace
}  // namespace xbase
