#include "store/Settings.h"

#include "store/IniFile.h"

#include <utility>

namespace {

const QString kPreferences = QStringLiteral("Preferences");
const QString kReindex = QStringLiteral("Reindex");
const QString kReport = QStringLiteral("Report");
const QString kDefaultTitle = QStringLiteral("Jotlist");

}  // namespace

TSettings::TSettings(QString programDirectory) : directory_(std::move(programDirectory)) {}

QString TSettings::MainFileName() const { return directory_ + QStringLiteral("TODO.INI"); }

QString TSettings::ReportFileName() const { return directory_ + QStringLiteral("JLIST.INI"); }

TPreferences TSettings::LoadPreferences() const {
  const TIniFile ini(MainFileName());
  const TPreferences d;
  TPreferences p;
  p.SplitterBar = ini.ReadInteger(kPreferences, QStringLiteral("SplitterBar"), d.SplitterBar);
  p.Order = ini.ReadInteger(kPreferences, QStringLiteral("Order"), d.Order);
  p.ShowDone = ini.ReadBool(kPreferences, QStringLiteral("ShowDone"), d.ShowDone);
  p.ReindexNeeded = ini.ReadBool(kReindex, QStringLiteral("Needed"), d.ReindexNeeded);
  p.PrintMemo = ini.ReadBool(kReport, QStringLiteral("PrintMemo"), d.PrintMemo);
  p.PrintCheckbox = ini.ReadBool(kReport, QStringLiteral("PrintCheckbox"), d.PrintCheckbox);
  p.PrintDoubleSpace = ini.ReadBool(kReport, QStringLiteral("PrintDoubleSpace"), d.PrintDoubleSpace);
  p.PrintKeywords = ini.ReadBool(kReport, QStringLiteral("PrintKeywoirds"), d.PrintKeywords);
  p.HTMLPrintMemo = ini.ReadBool(kReport, QStringLiteral("HTMLPrintMemo"), d.HTMLPrintMemo);
  p.RTFPrintMemo = ini.ReadBool(kReport, QStringLiteral("RTFPrintMemo"), d.RTFPrintMemo);
  p.TextPrintMemo = ini.ReadBool(kReport, QStringLiteral("TextPrintMemo"), d.TextPrintMemo);
  p.HTMLColor = ini.ReadInteger(kReport, QStringLiteral("HTMLColor"), d.HTMLColor);
  return p;
}

xbase::Status TSettings::SavePreferences(const TPreferences& p) const {
  const TIniFile ini(MainFileName());
  XB_RETURN_IF_ERROR(ini.WriteInteger(kPreferences, QStringLiteral("SplitterBar"), p.SplitterBar));
  XB_RETURN_IF_ERROR(ini.WriteInteger(kPreferences, QStringLiteral("Order"), p.Order));
  XB_RETURN_IF_ERROR(ini.WriteBool(kPreferences, QStringLiteral("ShowDone"), p.ShowDone));
  XB_RETURN_IF_ERROR(ini.WriteBool(kReindex, QStringLiteral("Needed"), p.ReindexNeeded));
  XB_RETURN_IF_ERROR(ini.WriteBool(kReport, QStringLiteral("PrintMemo"), p.PrintMemo));
  XB_RETURN_IF_ERROR(ini.WriteBool(kReport, QStringLiteral("PrintCheckbox"), p.PrintCheckbox));
  XB_RETURN_IF_ERROR(ini.WriteBool(kReport, QStringLiteral("PrintDoubleSpace"), p.PrintDoubleSpace));
  XB_RETURN_IF_ERROR(ini.WriteBool(kReport, QStringLiteral("PrintKeywoirds"), p.PrintKeywords));
  XB_RETURN_IF_ERROR(ini.WriteBool(kReport, QStringLiteral("HTMLPrintMemo"), p.HTMLPrintMemo));
  XB_RETURN_IF_ERROR(ini.WriteBool(kReport, QStringLiteral("RTFPrintMemo"), p.RTFPrintMemo));
  XB_RETURN_IF_ERROR(ini.WriteBool(kReport, QStringLiteral("TextPrintMemo"), p.TextPrintMemo));
  return ini.WriteInteger(kReport, QStringLiteral("HTMLColor"), p.HTMLColor);
}

QString TSettings::PlacementSection(const QString& className, int pixelsPerInch) {
  QString section = className + QStringLiteral("_Placement");
  if (pixelsPerInch > 96) section += QString::number(pixelsPerInch);
  return section;
}

TFormPlacement TSettings::LoadPlacement(const QString& section, bool maximizedNow) const {
  const TIniFile ini(MainFileName());
  TFormPlacement p;
  p.Left = ini.ReadInteger(section, QStringLiteral("Left"), 0);
  p.Top = ini.ReadInteger(section, QStringLiteral("Top"), 0);
  p.Right = ini.ReadInteger(section, QStringLiteral("Right"), 0);
  p.Bottom = ini.ReadInteger(section, QStringLiteral("Bottom"), 0);
  p.Maximized = ini.ReadBool(section, QStringLiteral("Maximized"), maximizedNow);
  return p;
}

xbase::Status TSettings::SavePlacement(const QString& section, const TFormPlacement& p) const {
  const TIniFile ini(MainFileName());
  XB_RETURN_IF_ERROR(ini.WriteInteger(section, QStringLiteral("Left"), p.Left));
  XB_RETURN_IF_ERROR(ini.WriteInteger(section, QStringLiteral("Top"), p.Top));
  XB_RETURN_IF_ERROR(ini.WriteInteger(section, QStringLiteral("Right"), p.Right));
  XB_RETURN_IF_ERROR(ini.WriteInteger(section, QStringLiteral("Bottom"), p.Bottom));
  return ini.WriteBool(section, QStringLiteral("Maximized"), p.Maximized);
}

TReportTexts TSettings::LoadReportTexts() const {
  const TIniFile ini(ReportFileName());
  TReportTexts t;
  t.ReportTitle = ini.ReadString(kReport, QStringLiteral("ReportTitle"), kDefaultTitle);
  t.HTMLTitle = ini.ReadString(kReport, QStringLiteral("HTMLTitle"), kDefaultTitle);
  t.RTFTitle = ini.ReadString(kReport, QStringLiteral("RTFTitle"), kDefaultTitle);
  t.TextTitle = ini.ReadString(kReport, QStringLiteral("TextTitle"), kDefaultTitle);
  t.HTMLFilePath = ini.ReadString(kReport, QStringLiteral("HTMLFilespec"), directory_ + QStringLiteral("Todo.htm"));
  t.RTFFilePath = ini.ReadString(kReport, QStringLiteral("RTFFilespec"), directory_ + QStringLiteral("Todo.rtf"));
  t.TextFilePath = ini.ReadString(kReport, QStringLiteral("TextFilespec"), directory_ + QStringLiteral("Todo.txt"));
  return t;
}

xbase::Status TSettings::SaveReportTexts(const TReportTexts& t) const {
  const TIniFile ini(ReportFileName());
  XB_RETURN_IF_ERROR(ini.WriteString(kReport, QStringLiteral("ReportTitle"), t.ReportTitle));
  XB_RETURN_IF_ERROR(ini.WriteString(kReport, QStringLiteral("HTMLTitle"), t.HTMLTitle));
  XB_RETURN_IF_ERROR(ini.WriteString(kReport, QStringLiteral("RTFTitle"), t.RTFTitle));
  XB_RETURN_IF_ERROR(ini.WriteString(kReport, QStringLiteral("TextTitle"), t.TextTitle));
  XB_RETURN_IF_ERROR(ini.WriteString(kReport, QStringLiteral("HTMLFilespec"), t.HTMLFilePath));
  XB_RETURN_IF_ERROR(ini.WriteString(kReport, QStringLiteral("RTFFilespec"), t.RTFFilePath));
  return ini.WriteString(kReport, QStringLiteral("TextFilespec"), t.TextFilePath);
}
