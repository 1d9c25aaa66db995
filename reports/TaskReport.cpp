#include "reports/TaskReport.h"

#include <QDate>
#include <QRect>
#include <QTime>

#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "core/TaskDisplay.h"
#include "reportengine/BaseReport.h"

namespace {

constexpr double kPageMargin = 1.0;      // left and right margins of the task section
constexpr double kCheckboxWidth = 0.125;
constexpr double kTabMargin = 2;         // hundredths of an inch
constexpr double kClipAllowance = 0.2;   // a cell's text stops this far before its edge
constexpr double kNoteAllowance = 0.25;  // the note control is this much narrower than the section
const QString kFontArial = QStringLiteral("Arial");
const QString kFontTitle = QStringLiteral("Times New Roman");

// Moves to the first line of the section, at its left edge, before its first tab stop
// (a new line after line 0).
void Home(TBaseReport& r) {
  r.GotoLine(0);
  r.NewLine();
}

}  // namespace

TTaskReport::TTaskReport(TTaskWalk& source, const TTaskReportOptions& options, TTextWidthFn measure,
                         int screenPixelsPerInch)
    : source_(source), options_(options), measure_(std::move(measure)), screenPixelsPerInch_(screenPixelsPerInch) {}

void TTaskReport::Attach(TBaseReport& r) {
  r.SetLineHeightMethod(lhmFont);
  r.SetUnitsFactor(1.0);
  r.SetMarginLeft(0.5);
  r.SetMarginRight(0.5);
  r.SetMarginTop(0.5);
  r.SetMarginBottom(0.5);
  r.SetTitle(QStringLiteral("Test Report"));
  // The job keeps the name above; a PDF it writes is titled as the report is.
  r.SetDocumentTitle(options_.Title);
  r.SetOrientation(poDefault);
  r.SetScaleX(100);
  r.SetScaleY(100);
  r.OnPrint = [this](TBaseReport& report) { PrintReport(report); };
}

QString TTaskReport::DateCell(const QString& stored) {
  if (stored.size() != 8) return QString();
  // yyyymmdd rearranged to the working short date format's order, mm/dd/yyyy.
  const QString text = stored.mid(4, 2) + QLatin1Char('/') + stored.mid(6, 2) + QLatin1Char('/') + stored.left(4);
  QDate date;
  if (!TryStrToDate(text, date)) return QString();
  return FormatDateTime(QStringLiteral("dd mmm, yyyy (ddd)"), date);
}

QString TTaskReport::TimeCell(const QString& stored) {
  QTime time;
  if (TrimBlanks(stored).isEmpty() || !TryStrToTime(stored, time)) return QString();
  return FormatDateTime(QStringLiteral("hh:nn am/pm"), time);
}

QStringList TTaskReport::BandLines(const QString& text) const { return NoteLines(text, memoWidth_, measure_); }

void TTaskReport::SetTaskSection(TBaseReport& r) const {
  r.SetMarginLeft(kPageMargin);
  r.SetMarginRight(kPageMargin);
  r.SetSectionTop(r.MarginTop() + 1.0);
  r.SetSectionBottom(r.PageHeight() - r.MarginBottom() - 0.5);
  r.SetSectionLeft(r.MarginLeft());
  r.SetSectionRight(r.PageWidth() - r.MarginRight());
}

void TTaskReport::SetRowTabs(TBaseReport& r) const {
  r.ClearTabs();
  // A negative position places a stop right after the previous one.
  if (options_.PrintCheckbox) r.SetTab(r.MarginLeft(), pjLeft, kCheckboxWidth, kTabMargin, 0, 0);
  r.SetTab(options_.PrintCheckbox ? -1 : r.MarginLeft(), pjLeft, 1.5, kTabMargin, 0, 0);  // Date
  r.SetTab(-1, pjLeft, 1.0, kTabMargin, 0, 0);                                          // Time
  r.SetTab(-1, pjLeft, r.PageWidth() - 8.5 + 2.75, kTabMargin, 0, 0);                   // Task
  r.SetTab(-1, pjLeft, 0.75, kTabMargin, 0, 0);                                         // Priority
  r.SetTab(-1, pjLeft, 0.5, kTabMargin, 0, 0);                                          // Done
}

void TTaskReport::SetBandTabs(TBaseReport& r, int shade) const {
  r.ClearTabs();
  const double width = r.SectionRight() - r.SectionLeft();
  if (options_.PrintCheckbox) {
    r.SetTab(r.MarginLeft(), pjLeft, kCheckboxWidth, kTabMargin, 0, 0);
    r.SetTab(-1, pjLeft, width - kCheckboxWidth, kTabMargin, 0, shade);
  } else {
    r.SetTab(r.MarginLeft(), pjLeft, width, kTabMargin, 0, shade);
  }
}

void TTaskReport::PrintReport(TBaseReport& r) {
  stop_ = false;
  tasksPrinted_ = 0;
  r.SetMarginLeft(kPageMargin);
  r.SetMarginRight(kPageMargin);
  r.SetFont(kFontArial, 9);
  r.SetBold(false);
  r.SetItalic(false);
  r.SetSectionTop(r.MarginTop() + 1.0);
  r.SetSectionBottom(r.PageHeight() - r.MarginBottom() - 1.0);
  r.SetSectionLeft(r.MarginLeft());
  r.SetSectionRight(r.PageWidth() - r.MarginRight());
  memoWidth_ = static_cast<int>((r.SectionRight() - r.SectionLeft() - kNoteAllowance) * screenPixelsPerInch_);
  SetRowTabs(r);
  HeaderFooter(r);

  const bool wantKeys = options_.PrintKeywords;
  const bool wantNote = options_.PrintMemo;
  TaskRecord task;
  source_.First();
  while (!source_.AtEnd() && !stop_ && !r.Aborted()) {
    if (r.LinesLeft() == 0) {
      r.NewPage();
      HeaderFooter(r);
    }
    source_.Read(task, {.keys = wantKeys, .note = wantNote});
    r.SetBold(false);
    if (options_.PrintCheckbox) {
      r.Tab();
      const double x = r.XPos();
      const double lineTop = r.YPos() + r.Descent() - r.LineHeight();
      r.Rectangle(x, lineTop + 0.02, x + kCheckboxWidth, lineTop + 0.145);
    }
    r.Tab();
    DoTextRect(r, DateCell(task.date));
    r.Tab();
    DoTextRect(r, TimeCell(task.time));
    r.Tab();
    DoTextRect(r, task.descript);
    r.Tab();
    DoTextRect(r, TaskDisplay::ShowPriority(task.priority));
    r.Tab();
    DoTextRect(r, task.done ? QStringLiteral("Yes") : QStringLiteral("No"));
    r.NewLine();
    if (wantKeys) HandleKeywords(r, task.keys);
    if (wantNote) HandleMemo(r, task.note);
    if (options_.DoubleSpace) r.NewLine();
    ++tasksPrinted_;
    source_.Next();
  }
}

void TTaskReport::DoTextRect(TBaseReport& r, const QString& text) {
  r.PrintLeft(QString(), 0);
  const double width = r.TabWidth(0);
  r.GotoXY(r.TabStart(0), r.YPos());
  const double x = r.XPos();
  const double y = r.YPos();
  const double height = r.FontHeight();
  const QRect clip(QPoint(r.XU2D(x), r.YU2D(y - height)),
                   QPoint(r.XU2D(x + width - kClipAllowance) - 1, r.YU2D(y + height) - 1));
  r.TextRect(clip, x, y - r.Ascent(), text);
}

void TTaskReport::HeaderFooter(TBaseReport& r) {
  r.ResetSection();
  r.SetFont(kFontTitle, 14);
  r.SetBold(true);
  Home(r);
  r.Print(options_.Title);
  r.PrintRight(QStringLiteral("Page ") + QString::number(r.CurrentPage()), r.SectionRight());
  r.NewLine();
  r.PrintRight(FormatDateTime(FormatSettings().ShortDateFormat, Today()), r.SectionRight());
  r.SetFont(kFontArial, 9);
  r.SetBold(true);
  r.GotoXY(1.0, r.MarginTop() + 0.8);
  r.NewLine();
  if (options_.PrintCheckbox) r.Tab();
  for (const char* title : {"Date", "Time", "Task", "Priority", "Done"}) {
    r.Tab();
    r.Print(QString::fromLatin1(title));
  }
  r.SetBold(false);
  r.SetItalic(false);
  SetTaskSection(r);
  r.MoveTo(r.SectionLeft(), r.SectionTop());
  r.LineTo(r.SectionRight(), r.SectionTop());
  r.MoveTo(r.SectionLeft(), r.SectionBottom());
  r.LineTo(r.SectionRight(), r.SectionBottom());
  Home(r);
}

void TTaskReport::PrintBand(TBaseReport& r, const QStringList& lines, int shade) {
  if (lines.isEmpty()) return;
  r.SaveTabs();
  SetBandTabs(r, shade);
  for (const QString& line : lines) {
    // A band line goes on a fresh page when the section is full (also before the first
    // line, so that no band line is drawn below the bottom rule).
    if (r.LinesLeft() == 0) {
      r.RestoreTabs();
      r.NewPage();
      HeaderFooter(r);
      r.SaveTabs();
      SetBandTabs(r, shade);
    }
    if (options_.PrintCheckbox) r.Tab();
    r.Tab();
    r.Println(line);
  }
  r.RestoreTabs();
}

void TTaskReport::HandleKeywords(TBaseReport& r, const QString& keys) {
  if (!options_.PrintKeywords || TrimBlanks(keys).isEmpty()) return;
  PrintBand(r, BandLines(QStringLiteral("Keywords:") + keys), kKeywordShade);
}

void TTaskReport::HandleMemo(TBaseReport& r, const QString& note) {
  if (!options_.PrintMemo) return;
  PrintBand(r, BandLines(note), kNoteShade);
}
