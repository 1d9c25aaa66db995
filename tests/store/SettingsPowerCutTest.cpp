// Settings saves cut short by simulated power cuts (the engine's file seam records each save;
// see tests/store/xbase/PowerCutFs.h): whatever part of the unsynced writes a cut keeps, the
// settings file is the old file or the new one, whole, and once a save has returned it is
// the new one.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "store/IniFile.h"
#include "tests/store/xbase/PowerCutFs.h"

namespace {

using xbase::testing::PowerCutFs;

TEST(SettingsPowerCutTest, TheFileIsOldOrNewWholeAndASavedOneStays) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("TODO.INI"));
  std::vector<std::string> versions;  // the file after each save
  PowerCutFs fs(QFile::encodeName(dir.path()).toStdString());
  {
    const TIniFile ini(path);
    std::mt19937 rng(5);
    for (int k = 0; k < 60; ++k) {
      fs.Mark(k, false);
      // Values that make the file grow past a sector and shrink again, in three keys.
      const QString value(static_cast<qsizetype>(rng() % 900), QLatin1Char(static_cast<char>('a' + k % 26)));
      ASSERT_TRUE(ini.WriteString(QStringLiteral("Report"), QStringLiteral("Title%1").arg(rng() % 3), value).ok());
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::ReadOnly));
      versions.push_back(f.readAll().toStdString());
      fs.Mark(k, true);
    }
  }
  fs.Detach();
  ASSERT_TRUE(fs.problems().empty()) << fs.problems().front();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no scratch file left";

  std::mt19937_64 rng(9);
  int failed = 0;
  std::string first;
  for (int i = 0; i < 5000; ++i) {
    PowerCutFs::CutChoices choices;
    choices.keep = std::uniform_real_distribution<double>(0, 1)(rng);
    choices.tear = 0.3;
    const size_t cut = std::uniform_int_distribution<size_t>(0, fs.size())(rng);
    int done = -1;
    bool begun = false;
    fs.StepsAt(cut, &done, &begun);
    const std::map<std::string, std::string> files = fs.FilesAt(cut, choices, rng);
    const auto it = files.find("TODO.INI");
    std::vector<std::string> allowed;
    if (done >= 0) allowed.push_back(versions[static_cast<size_t>(done)]);
    if (begun) allowed.push_back(versions[static_cast<size_t>(done + 1)]);
    const bool absent_ok = done < 0;
    const bool ok = it == files.end() ? absent_ok : std::find(allowed.begin(), allowed.end(), it->second) != allowed.end();
    if (!ok && ++failed == 1) {
      first = "cut " + std::to_string(cut) + " after save " + std::to_string(done) + ": " +
              (it == files.end() ? std::string("no file") : std::to_string(it->second.size()) + " bytes");
    }
  }
  EXPECT_EQ(failed, 0) << first;
}

}  // namespace
