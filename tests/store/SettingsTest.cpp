#include "store/Settings.h"

#include "store/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString Folder() const { return dir_.path() + QLatin1Char('/'); }
  void WriteRaw(const QString& name, const QByteArray& bytes) const {
    QFile f(dir_.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray ReadRaw(const QString& name) const {
    QFile f(dir_.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir_;
};

TEST_F(SettingsTest, NoFilesGiveTheDefaults) {
  const TSettings settings(Folder());
  const TPreferences p = settings.LoadPreferences();
  EXPECT_EQ(p.SplitterBar, 200);
  EXPECT_EQ(p.Order, 0);
  EXPECT_FALSE(p.ShowDone);
  EXPECT_TRUE(p.ReindexNeeded);
  EXPECT_FALSE(p.PrintMemo || p.PrintCheckbox || p.PrintDoubleSpace || p.PrintKeywords || p.HTMLPrintMemo ||
               p.RTFPrintMemo || p.TextPrintMemo);
  EXPECT_EQ(p.HTMLColor, 0x80FFFF);

  const TReportTexts t = settings.LoadReportTexts();
  EXPECT_EQ(t.ReportTitle, "Jotlist");
  EXPECT_EQ(t.HTMLTitle, "Jotlist");
  EXPECT_EQ(t.RTFTitle, "Jotlist");
  EXPECT_EQ(t.TextTitle, "Jotlist");
  EXPECT_EQ(t.HTMLFilePath, Folder() + "Todo.htm");
  EXPECT_EQ(t.RTFFilePath, Folder() + "Todo.rtf");
  EXPECT_EQ(t.TextFilePath, Folder() + "Todo.txt");

  EXPECT_EQ(settings.LoadPlacement(QStringLiteral("TMainScreen_Placement"), true), (TFormPlacement{0, 0, 0, 0, true}));
  EXPECT_FALSE(QFile::exists(settings.MainFileName()));
  EXPECT_FALSE(QFile::exists(settings.ReportFileName()));
}

TEST_F(SettingsTest, FirstSaveWritesEveryKeyInOrder) {
  const TSettings settings(Folder());
  ASSERT_TRUE(settings.SavePreferences(TPreferences()).ok());
  EXPECT_EQ(ReadRaw(QStringLiteral("TODO.INI")),
            "[Preferences]\nSplitterBar=200\nOrder=0\nShowDone=0\n[Reindex]\nNeeded=1\n[Report]\nPrintMemo=0\n"
            "PrintCheckbox=0\nPrintDoubleSpace=0\nPrintKeywoirds=0\nHTMLPrintMemo=0\nRTFPrintMemo=0\n"
            "TextPrintMemo=0\nHTMLColor=8454143\n");
}

TEST_F(SettingsTest, PreferencesRoundTripAndKeepOtherContent) {
  WriteRaw(QStringLiteral("TODO.INI"), "; mine\n[Custom]\nX=1\n[TMainScreen_Placement]\nLeft=5\n");
  const TSettings settings(Folder());
  TPreferences p;
  p.SplitterBar = 321;
  p.Order = 5;
  p.ShowDone = true;
  p.ReindexNeeded = false;
  p.PrintKeywords = true;
  p.RTFPrintMemo = true;
  p.HTMLColor = 0x123456;
  ASSERT_TRUE(settings.SavePreferences(p).ok());
  EXPECT_EQ(settings.LoadPreferences(), p);
  const TIniFile ini(settings.MainFileName());
  EXPECT_EQ(ini.ReadString(QStringLiteral("Report"), QStringLiteral("PrintKeywoirds"), {}), "1");
  EXPECT_EQ(ini.ReadString(QStringLiteral("Report"), QStringLiteral("HTMLColor"), {}), "1193046");
  EXPECT_TRUE(ReadRaw(QStringLiteral("TODO.INI")).startsWith("; mine\n[Custom]\nX=1\n[TMainScreen_Placement]\nLeft=5\n"));
}

TEST_F(SettingsTest, HandEditedValues) {
  WriteRaw(QStringLiteral("TODO.INI"),
           "[Preferences]\nOrder=abc\nShowDone=2\nSplitterBar=0x100\n[Report]\nHTMLColor=0xFF\n");
  const TSettings settings(Folder());
  TPreferences p = settings.LoadPreferences();
  EXPECT_EQ(p.Order, 0);
  EXPECT_TRUE(p.ShowDone);
  EXPECT_EQ(p.SplitterBar, 256);
  EXPECT_EQ(p.HTMLColor, 255);
  ASSERT_TRUE(settings.SavePreferences(p).ok());
  const TIniFile ini(settings.MainFileName());
  EXPECT_EQ(ini.ReadString(QStringLiteral("Preferences"), QStringLiteral("ShowDone"), {}), "1");
  EXPECT_EQ(ini.ReadString(QStringLiteral("Preferences"), QStringLiteral("SplitterBar"), {}), "256");

  WriteRaw(QStringLiteral("TODO.INI"), "[Report]\nHTMLColor=FF\n");
  EXPECT_EQ(settings.LoadPreferences().HTMLColor, 8454143);
}

TEST_F(SettingsTest, ReportTextsRoundTrip) {
  const TSettings settings(Folder());
  const TReportTexts t{QStringLiteral("My list"), QStringLiteral("Web"),  QStringLiteral("Doc"),
                       QStringLiteral("Plain"),   QStringLiteral("/a.htm"), QStringLiteral("/b.rtf"),
                       QStringLiteral("/c.txt")};
  ASSERT_TRUE(settings.SaveReportTexts(t).ok());
  EXPECT_EQ(settings.LoadReportTexts(), t);
  EXPECT_FALSE(QFile::exists(settings.MainFileName())) << "titles live in JLIST.INI only";
  EXPECT_TRUE(ReadRaw(QStringLiteral("JLIST.INI")).startsWith("[Report]\nReportTitle=My list\nHTMLTitle=Web\n"));
}

TEST_F(SettingsTest, Placements) {
  EXPECT_EQ(TSettings::PlacementSection(QStringLiteral("TMainScreen"), 96), "TMainScreen_Placement");
  EXPECT_EQ(TSettings::PlacementSection(QStringLiteral("TMainScreen"), 72), "TMainScreen_Placement");
  EXPECT_EQ(TSettings::PlacementSection(QStringLiteral("TMainScreen"), 120), "TMainScreen_Placement120");
  const TSettings settings(Folder());
  const TFormPlacement placed{-10, 20, 630, 445, true};
  ASSERT_TRUE(settings.SavePlacement(QStringLiteral("TPreviewForm_Placement120"), placed).ok());
  EXPECT_EQ(settings.LoadPlacement(QStringLiteral("TPreviewForm_Placement120"), false), placed);
  EXPECT_EQ(settings.LoadPlacement(QStringLiteral("TPreviewForm_Placement"), false), TFormPlacement{});
}

TEST_F(SettingsTest, RefusedWritesNameTheFile) {
  WriteRaw(QStringLiteral("file"), "x");
  const TSettings settings(dir_.filePath(QStringLiteral("file")) + QLatin1Char('/'));
  const xbase::Status main = settings.SavePreferences(TPreferences());
  EXPECT_FALSE(main.ok());
  EXPECT_EQ(QString::fromStdString(main.message()), "Unable to write to " + settings.MainFileName());
  const xbase::Status report = settings.SaveReportTexts(settings.LoadReportTexts());
  EXPECT_EQ(QString::fromStdString(report.message()), "Unable to write to " + settings.ReportFileName());
  EXPECT_FALSE(settings.SavePlacement(QStringLiteral("T_Placement"), TFormPlacement{}).ok());
}

}  // namespace
