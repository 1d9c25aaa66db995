#include "store/ErrorText.h"

#include <gtest/gtest.h>

namespace {

using xbase::Status;

TEST(ErrorTextTest, IoFailuresNameTheFileAndTheCauseInPlainWords) {
  EXPECT_EQ(UserErrorText(Status::IoError("cannot sync /home/u/JLIST.DBF: No space left on device")),
            "/home/u/JLIST.DBF could not be written: the disk is full.");
  EXPECT_EQ(UserErrorText(Status::IoError("cannot open /srv/jl/JLIST.CDX: Permission denied")),
            "/srv/jl/JLIST.CDX could not be written: you may not change it or its folder.");
  EXPECT_EQ(UserErrorText(Status::IoError("cannot write /mnt/ro/JLIST.FPT: Read-only file system")),
            "/mnt/ro/JLIST.FPT could not be written: the disk is read-only.");
  EXPECT_EQ(UserErrorText(Status::IoError("cannot read /d/JLIST.DBF: Input/output error")),
            "/d/JLIST.DBF could not be read or written: the disk reported an error.");
}

TEST(ErrorTextTest, OtherFailuresSayWhatHappenedWithoutEngineCodes) {
  EXPECT_EQ(UserErrorText(Status::RecordLocked("record 3 of /d/JLIST.DBF is locked")),
            "The task is locked by another program. Try again in a moment.");
  EXPECT_EQ(UserErrorText(Status::InUse("/d/JLIST.DBF is open exclusively elsewhere")),
            "/d/JLIST.DBF is in use by another program.");
  const QString damaged = UserErrorText(Status::Corrupt("/d/JLIST.CDX: bad node at page 7"));
  EXPECT_TRUE(damaged.startsWith("/d/JLIST.CDX is damaged.")) << damaged.toStdString();
  EXPECT_TRUE(damaged.contains("Rebuild Indexes"));
  // No file in the message: the sentence still reads as one.
  EXPECT_EQ(UserErrorText(Status::IoError("short write")), "A task file could not be read or written.");
  for (const Status& s : {Status::Corrupt("x"), Status::State("y"), Status::NotFound("z")}) {
    EXPECT_FALSE(UserErrorText(s).contains("kCorrupt")) << s.ToString();
    EXPECT_FALSE(UserErrorText(s).isEmpty());
  }
  EXPECT_TRUE(UserErrorText(Status::Ok()).isEmpty());
}

TEST(ErrorTextTest, TheSettingsFilesOwnTextPassesThrough) {
  EXPECT_EQ(UserErrorText(Status::IoError("Unable to write to /d/TODO.INI")), "Unable to write to /d/TODO.INI");
}

}  // namespace
