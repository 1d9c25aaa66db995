// The page model: properties and their limits, page selection, progress text, units and
// the device mapping, line metrics, the cursor in sections and columns, tabs, events and
// the lifecycle with its error messages.
#include <QObject>
#include <QVariant>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "PageModelTestSupport.h"
#include "reportengine/ReportError.h"

namespace {

template <typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const EReportError& e) {
    return e.what();
  }
  return "";
}

bool Contains(const std::vector<std::string>& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

TEST(PageModelProperties, DefaultsAndLimits) {
  RecordingReport r;
  EXPECT_EQ(r.FirstPage(), 1);
  EXPECT_EQ(r.LastPage(), 9999);
  EXPECT_EQ(r.StatusFormat(), "Printing page %p");
  EXPECT_EQ(r.LineHeightMethod(), lhmLinesPerInch);
  EXPECT_EQ(r.LinesPerInch(), 6);
  EXPECT_EQ(r.Units(), unInch);
  EXPECT_EQ(r.UnitsFactor(), 1.0);
  EXPECT_EQ(r.Title(), "Printer Report");
  EXPECT_EQ(r.TextBKMode(), bkTransparent);
  EXPECT_EQ(r.Copies(), 1);
  EXPECT_EQ(r.Orientation(), poPortrait);
  EXPECT_EQ(r.ScaleX(), 100);
  EXPECT_EQ(r.TabShade(), 0);
  EXPECT_EQ(r.FontName(), "Arial");
  EXPECT_DOUBLE_EQ(r.FontSize(), 10);

  r.SetTabShade(150);
  EXPECT_EQ(r.TabShade(), 100);
  r.SetTabShade(-5);
  EXPECT_EQ(r.TabShade(), 0);

  r.SetLinesPerInch(0);
  EXPECT_EQ(r.LinesPerInch(), 6);
  r.SetLinesPerInch(8);
  EXPECT_EQ(r.LinesPerInch(), 8);

  r.SetTitle(QString(40, QLatin1Char('x')));
  EXPECT_EQ(r.Title().size(), 31);

  r.SetFontRotation(-90);
  EXPECT_EQ(r.FontRotation(), 270);
  r.SetFontRotation(450);
  EXPECT_EQ(r.FontRotation(), 90);

  r.SetSuperscript(true);
  r.SetSubscript(true);
  EXPECT_FALSE(r.Superscript());
  EXPECT_TRUE(r.Subscript());

  r.SetFontName(QString(70, QLatin1Char('F')));
  EXPECT_EQ(r.FontName().size(), 60);
}

TEST(PageModelProperties, UnitsAndFactorFollowEachOther) {
  RecordingReport r;
  r.SetUnitsFactor(25.4);
  EXPECT_EQ(r.Units(), unMM);
  r.SetUnitsFactor(72);
  EXPECT_EQ(r.Units(), unPoint);
  r.SetUnitsFactor(10);
  EXPECT_EQ(r.Units(), unUser);
  r.SetUnits(unUser);
  EXPECT_EQ(r.UnitsFactor(), 10);
  r.SetUnitsFactor(0);
  r.SetUnitsFactor(-3);
  EXPECT_EQ(r.UnitsFactor(), 10);
  r.SetUnits(unCM);
  EXPECT_EQ(r.UnitsFactor(), 2.54);
  // Margins are kept in inches: they read back in the new units.
  r.SetMarginLeft(2.54);
  r.SetUnits(unInch);
  EXPECT_DOUBLE_EQ(r.MarginLeft(), 1.0);
}

TEST(PageModelProperties, PageSelection) {
  RecordingReport r;
  r.SetFirstPage(2);
  r.SetLastPage(3);
  EXPECT_FALSE(r.PageSelected(1));
  EXPECT_TRUE(r.PageSelected(2));
  EXPECT_TRUE(r.PageSelected(3));
  EXPECT_FALSE(r.PageSelected(4));

  r.SetPageSelection("1,3-4,7-");
  std::vector<int> selected;
  for (int p = 1; p <= 12; ++p) {
    if (r.PageSelected(p)) selected.push_back(p);
  }
  EXPECT_EQ(selected, (std::vector<int>{1, 3, 4, 7, 8, 9, 10, 11, 12}));
  EXPECT_TRUE(r.PageSelected(5000));

  r.SetPageSelection("-2");
  EXPECT_TRUE(r.PageSelected(1));
  EXPECT_TRUE(r.PageSelected(2));
  EXPECT_FALSE(r.PageSelected(3));

  // Items that are not numbers select nothing and do not spoil the others.
  r.SetPageSelection(" x, 5 ,a-b,-");
  EXPECT_TRUE(r.PageSelected(5));
  EXPECT_FALSE(r.PageSelected(1));
  EXPECT_FALSE(r.PageSelected(6));
}

TEST(PageModelProperties, ProgressTextMacros) {
  FakePrinters printers({TREDeviceItem("Laser", "Acme 5", "usb://1")});
  RecordingReport r;
  QObject label;
  r.SetStatusLabel(&label);
  r.SetStatusFormat("Page %p of %l %%");
  r.Start();
  r.NewPage();
  r.NewPage();
  EXPECT_EQ(label.property("text").toString(), "Page 3 of 9999 %");

  r.StatusText() << "zero" << "one";
  r.SetStatusFormat("%1|%0|%5|%x|%D/%r/%T|%f");
  EXPECT_EQ(r.StatusString(), "one|zero||<ERROR-%X>|Laser/Acme 5/usb://1|1");
  // Lines of the format are separated by carriage returns; the label gets line feeds.
  r.SetStatusFormat("Printing Page %p\r%0\r%1");
  r.NewPage();
  EXPECT_EQ(label.property("text").toString(), "Printing Page 4\nzero\none");
  r.Finish();
}

TEST(PageModelProperties, StatusLabelIsClearedWhenDestroyed) {
  RecordingReport r;
  {
    QObject label;
    r.SetStatusLabel(&label);
    EXPECT_EQ(r.StatusLabel(), &label);
  }
  EXPECT_EQ(r.StatusLabel(), nullptr);
  r.Start();  // no label: nothing to update, and no crash
  r.Finish();
}

TEST(PageModelProperties, ChangeNoticesOncePerChange) {
  RecordingReport r;
  r.SetFont("Times New Roman", 12);
  EXPECT_EQ(r.font_changes, 1);  // several fields, one notice
  r.SetItalic(true);
  r.SetItalic(true);  // no change: no notice
  EXPECT_EQ(r.font_changes, 2);
  TFontRecord saved = r.Font();
  r.SetBold(true);
  r.SetFontSize(20);
  r.RestoreFont(saved);
  EXPECT_EQ(r.font_changes, 5);
  EXPECT_EQ(r.Font(), saved);
  r.SetFont("Times New Roman", -1);  // the size is kept; italic is cleared
  EXPECT_DOUBLE_EQ(r.FontSize(), 12);
  EXPECT_FALSE(r.Italic());

  r.SetBrush(clBlack, bsClear);  // the default: no notice
  EXPECT_EQ(r.brush_changes, 0);
  r.SetBrush(0x00FF00, bsSolid);
  EXPECT_EQ(r.brush_changes, 1);
  r.SetPen(clBlack, psDash, 1, pmCopy);
  r.SetPen(clBlack, psDash, 0, pmCopy);  // width 0 is one pixel: no change
  EXPECT_EQ(r.pen_changes, 1);

  // Start resets brush and pen (notices) and computes the line metrics.
  r.Start();
  EXPECT_EQ(r.Brush().Style, bsClear);
  EXPECT_EQ(r.Pen().Style, psSolid);
  EXPECT_EQ(r.brush_changes, 2);
  EXPECT_GE(r.metrics_changes, 1);
  const int metrics = r.metrics_changes;
  r.NewLine();  // same font, same height: nothing new
  EXPECT_EQ(r.metrics_changes, metrics);
  r.SetLinesPerInch(3);
  EXPECT_EQ(r.metrics_changes, metrics + 1);
  r.Finish();
}

TEST(PageModelCursor, NewPageResetsOriginTabsAndSection) {
  RecordingReport r;
  r.Start();
  r.SetOriginX(1);
  r.SetOriginY(2);
  r.SetTab(1, pjLeft, 1, 0, 0, 0);
  r.Tab();
  r.SetSectionTop(3);
  r.SetBrush(0x0000FF, bsSolid);
  r.NewPage();
  EXPECT_EQ(r.OriginX(), 0);
  EXPECT_EQ(r.OriginY(), 0);
  EXPECT_EQ(r.TabIndex(), 0);
  EXPECT_EQ(r.Tabs().size(), 1u);  // the list carries over
  EXPECT_EQ(r.SectionTop(), 0);
  EXPECT_EQ(r.LineNum(), 1);
  EXPECT_EQ(r.Brush().Color, 0x0000FFu);  // brush carries over
  r.Finish();
}

TEST(PageModelMapping, DevicePixelsAndBack) {
  RecordingReport r;
  r.geometry.XDPI = 300;
  r.geometry.YDPI = 600;
  r.geometry.LeftWaste = 0.25;
  r.geometry.TopWaste = 0.5;
  r.Start();
  EXPECT_EQ(r.XU2D(1.0), 225);  // (1 - 0.25) x 300
  EXPECT_EQ(r.YU2D(1.0), 300);  // (1 - 0.5) x 600
  r.SetScaleX(200);
  EXPECT_EQ(r.XU2D(1.0), 525);  // (2 - 0.25) x 300
  r.SetOriginX(0.5);
  EXPECT_EQ(r.XU2D(1.0), 825);  // (3 - 0.25) x 300
  EXPECT_NEAR(r.XD2U(825), 1.0, 1e-9);
  r.SetZoom(50);
  r.SetDeviceOrigin(20, 30);
  EXPECT_EQ(r.XU2D(1.0), 20 + 375);   // (1.5 x 2 x 0.5 - 0.25) x 300 + 20
  EXPECT_EQ(r.YU2D(2.0), 30 + 300);   // (2 x 0.5 - 0.5) x 600 + 30
  EXPECT_NEAR(r.YD2U(330), 2.0, 1e-9);
  r.SetUnitsFactor(25.4);
  r.SetOriginX(0);
  EXPECT_EQ(r.XU2D(25.4), 20 + 225);  // one inch in millimetres
  EXPECT_NEAR(r.XD2U(245), 25.4, 1e-9);
  r.Finish();
}

TEST(PageModelMapping, ZeroScaleIsRefused) {
  RecordingReport r;
  r.SetScaleX(0);
  r.SetScaleY(-50);
  EXPECT_EQ(r.ScaleX(), 100);
  EXPECT_EQ(r.ScaleY(), 100);
}

TEST(PageModelLines, LineHeightRules) {
  RecordingReport r;
  r.Start();
  EXPECT_NEAR(r.LineHeight(), 1.0 / 6, 1e-12);
  r.SetLinesPerInch(8);
  EXPECT_NEAR(r.LineHeight(), 1.0 / 8, 1e-12);
  r.SetLineHeightMethod(lhmFont);
  r.SetFont("Arial", 10);
  r.NewLine();
  EXPECT_NEAR(r.LineHeight(), 1.0 / 6, 1e-12);
  r.SetFont("Arial", 12);
  r.NewLine();
  EXPECT_NEAR(r.LineHeight(), 0.2, 1e-12);
  r.SetLineHeightMethod(lhmUser);
  r.SetLineHeight(0.5);
  r.NewLine();
  EXPECT_NEAR(r.LineHeight(), 0.5, 1e-12);
  r.Finish();
}

TEST(PageModelLines, RealizedFontsFromTheDeviceResolution) {
  RecordingReport r;
  r.Start();
  EXPECT_EQ(r.RealizedFont().PixelHeight, 42);  // 10 pt at 300 pixels per inch
  const double ascent = r.RealizedFont().Ascent;
  EXPECT_GT(ascent, 5.0 / 72);
  EXPECT_LT(ascent, 10.0 / 72);
  EXPECT_GT(r.RealizedFont().Descent, 0);
  r.SetSuperscript(true);
  EXPECT_EQ(r.RealizedFont().PixelHeight, 21);
  EXPECT_NEAR(r.RealizedFont().Ascent, ascent / 2, 1.0 / 300);
  r.SetSuperscript(false);
  r.SetBold(true);
  r.RealizedFont();
  r.SetBold(false);
  r.RealizedFont();  // reused, not created again
  EXPECT_EQ(r.RealizedFontCount(), 3);
  // The ascent and descent of the line come from the font at the last line feed.
  r.SetFont("Arial", 20);
  EXPECT_NEAR(r.Ascent(), ascent, 1e-12);
  r.NewLine();
  EXPECT_NEAR(r.Ascent(), 2 * ascent, 2.0 / 300);
  r.Finish();
  EXPECT_EQ(r.RealizedFontCount(), 0);
}

TEST(PageModelLines, TextWidthIsAtLeastOnePixel) {
  RecordingReport r;
  r.Start();
  EXPECT_NEAR(r.TextWidth(""), 1.0 / 300, 1e-12);
  const double w = r.TextWidth("MMMM");
  EXPECT_GT(w, 0.3);
  r.SetUnitsFactor(25.4);
  EXPECT_NEAR(r.TextWidth("MMMM"), w * 25.4, 1e-9);
  r.Finish();
}

TEST(PageModelCursor, LinesLeftAndEndOfSection) {
  RecordingReport r;
  r.SetMarginTop(0.5);
  r.SetMarginBottom(0.5);
  int ends = 0;
  r.OnEndOfSection = [&ends](TBaseReport&) { ++ends; };
  r.Start();
  EXPECT_EQ(r.LineNum(), 1);
  EXPECT_NEAR(r.YPos() + r.Descent(), 0.5 + 1.0 / 6, 1e-9);
  EXPECT_EQ(r.LinesLeft(), 60);  // ten inches at six lines per inch
  for (int i = 0; i < 59; ++i) r.NewLine();
  EXPECT_EQ(r.LineNum(), 60);
  EXPECT_EQ(r.LinesLeft(), 1);
  EXPECT_EQ(ends, 0);
  r.NewLine();
  EXPECT_EQ(r.LinesLeft(), 0);
  EXPECT_EQ(ends, 1);
  r.Finish();
}

TEST(PageModelCursor, LineMetricsFromAFileCannotBreakTheCount) {
  RecordingReport r;
  r.Start();
  r.SetLineMetrics(0.1, 0.05, 0);  // a line height of 0, as a damaged file may hold
  EXPECT_EQ(r.LinesLeft(), 1);
  r.SetLineMetrics(0.1, 0.05, 1e-300);
  EXPECT_EQ(r.LinesLeft(), INT32_MAX);
  r.SetFontHeight(1e9);  // a device font of a sane size all the same
  EXPECT_EQ(r.RealizedFont().PixelHeight, 32767);
  r.SetPen(clBlack, psSolid, -2000000000, pmCopy);
  EXPECT_EQ(r.Pen().Width, 10000);
  r.Finish();
}

TEST(PageModelCursor, SectionEdgesPullTheCursor) {
  RecordingReport r;
  r.SetMarginLeft(0.5);
  r.SetMarginRight(0.5);
  r.Start();
  EXPECT_DOUBLE_EQ(r.SectionRight(), 8.0);
  r.SetSectionLeft(1.0);
  EXPECT_DOUBLE_EQ(r.XPos(), 1.0);
  r.SetXPos(7.5);
  r.SetSectionRight(6.0);
  EXPECT_DOUBLE_EQ(r.XPos(), 6.0);
  r.NewPage();  // the section goes back to the margins
  EXPECT_DOUBLE_EQ(r.SectionLeft(), 0.5);
  EXPECT_DOUBLE_EQ(r.XPos(), 0.5);
  r.PushPos();
  r.GotoXY(3, 4);
  r.PopPos();
  EXPECT_DOUBLE_EQ(r.XPos(), 0.5);
  r.PopPos();  // nothing pushed: stays
  EXPECT_DOUBLE_EQ(r.XPos(), 0.5);
  r.Finish();
}

TEST(PageModelCursor, ColumnsFlowToTheNextColumn) {
  RecordingReport r;
  r.SetMarginLeft(0.5);
  r.SetMarginRight(0.5);
  r.SetMarginTop(1);
  r.SetMarginBottom(9);  // one inch: six lines
  int columns = 0;
  r.OnNewColumn = [&columns](TBaseReport&) { ++columns; };
  r.Start();
  r.SetColumns(2, 0.5);
  EXPECT_DOUBLE_EQ(r.ColumnWidth(), 4.0);  // (7.5 + 0.5) / 2
  for (int i = 0; i < 5; ++i) r.NewLine();
  EXPECT_EQ(r.LinesLeft(), 1);
  r.NewLine();
  EXPECT_EQ(columns, 1);
  EXPECT_EQ(r.ColumnNum(), 2);
  EXPECT_EQ(r.LineNum(), 1);
  EXPECT_DOUBLE_EQ(r.XPos(), 4.5);
  r.NewLine();  // the last column wraps by line feed
  EXPECT_DOUBLE_EQ(r.XPos(), 4.5);
  EXPECT_EQ(r.LineNum(), 2);
  r.Finish();
}

TEST(PageModelText, CursorFollowsPrintedText) {
  RecordingReport r;
  r.Start();
  const double w = r.TextWidth("Hello");
  r.PrintLeft("Hello", 1.0);
  EXPECT_NEAR(r.XPos(), 1.0 + w, 1e-9);
  r.PrintCenter("Hello", 4.0);
  EXPECT_NEAR(r.XPos(), 4.0 + w / 2, 1e-9);
  r.PrintRight("Hello", 6.0);
  EXPECT_NEAR(r.XPos(), 6.0, 1e-9);
  r.PrintBlock("Hello", 1.0, 3.0);
  EXPECT_NEAR(r.XPos(), 4.0, 1e-9);
  const double y = r.YPos();
  r.SetFontRotation(90);
  r.PrintLeft("Hello", 2.0);
  EXPECT_NEAR(r.XPos(), 2.0, 1e-9);
  EXPECT_NEAR(r.YPos(), y - r.TextWidth("Hello"), 1e-9);
  // Hooks receive page inches with the origin added.
  r.SetFontRotation(0);
  r.SetOriginX(0.25);
  r.PrintRight("X", 2.0);
  EXPECT_TRUE(Contains(r.log, "text right X 2.2500 " + RecordingReport::Num(r.YPos())));
  r.Finish();
}

TEST(PageModelTabs, StopsCellsAndPrintWithTabs) {
  RecordingReport r;
  r.SetMarginLeft(0.5);
  r.Start();
  r.SetTab(-1, pjLeft, 1.0, 5, kBoxLineAll, 30);
  r.SetTab(-1, pjRight, 2.0, 5, 0, 0);
  r.SetTab(4.0, pjCenter, 0, 0, 0, 0);
  ASSERT_EQ(r.Tabs().size(), 3u);
  EXPECT_DOUBLE_EQ(r.Tabs()[1].Pos, 1.5);
  EXPECT_DOUBLE_EQ(r.TabStart(2), 1.55);
  EXPECT_DOUBLE_EQ(r.TabWidth(2), 1.9);
  EXPECT_DOUBLE_EQ(r.TabWidth(3), 0);

  r.log.clear();
  const std::string y = RecordingReport::Num(r.YPos());
  r.SetXPos(0.1);
  r.Print("A\tB\tC\tD");
  const std::vector<std::string> texts = [&] {
    std::vector<std::string> t;
    for (const auto& line : r.log) {
      if (line.rfind("text", 0) == 0) t.push_back(line);
    }
    return t;
  }();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], "text left A 0.1000 " + y);
  EXPECT_EQ(texts[1], "text left B 0.5500 " + y);
  EXPECT_EQ(texts[2], "text right C 3.4500 " + y);
  EXPECT_EQ(texts[3], "text center D 4.0000 " + y);

  // The shaded cell of stop 1: a tab rectangle one line high, black mixed 30 % over white.
  const double bottom = r.YPos() + r.Descent();
  EXPECT_TRUE(Contains(r.log, "tabrect 0.5000 " + RecordingReport::Num(bottom - 1.0 / 6) +
                                  " 1.5000 " + RecordingReport::Num(bottom)));
  EXPECT_EQ(r.rect_brush, 0xB2B2B2u);  // 0 + 70 x 255 / 100 = 178 per channel
  EXPECT_EQ(r.Brush().Style, bsClear);  // restored
  EXPECT_EQ(std::count_if(r.log.begin(), r.log.end(),
                          [](const std::string& l) { return l.rfind("line", 0) == 0; }),
            4);

  // After NewLine the next Tab starts again at the first stop.
  r.NewLine();
  r.log.clear();
  r.line_pen_widths.clear();
  r.SetShadeColor(0x0000FF);  // red
  r.Tab(-2, 0, 0, 0, 50);  // explicit left line two hundredths wide, no others
  EXPECT_EQ(r.rect_brush, 0x7F7FFFu);  // red 255, green and blue 0 + 50 x 255 / 100
  ASSERT_EQ(r.line_pen_widths.size(), 1u);
  EXPECT_EQ(r.line_pen_widths[0], 6);  // 0.02 inch at 300 pixels per inch
  EXPECT_EQ(r.Pen().Width, 1);
  EXPECT_EQ(r.TabIndex(), 1);
  r.ClearTabs();
  EXPECT_EQ(r.TabIndex(), 0);
  r.Finish();
}

TEST(PageModelTabs, SavedListsAreSharedCopies) {
  RecordingReport r;
  r.SetTab(1.0, pjLeft, 0, 0, 0, 0);
  r.SaveTabs(1);
  r.SetTab(2.0, pjLeft, 0, 0, 0, 0);
  EXPECT_EQ(r.Tabs().size(), 2u);
  r.RestoreTabs(1);
  EXPECT_EQ(r.Tabs().size(), 1u);
  r.RestoreTabs(7);  // never saved: an empty list
  EXPECT_TRUE(r.Tabs().empty());
  EXPECT_EQ(r.ShadeToColor(150), 0x000000u);  // shade limited to 100
  EXPECT_EQ(r.ShadeToColor(0), 0xFFFFFFu);
}

TEST(PageModelLifecycle, EventsInOrder) {
  RecordingReport r;
  std::vector<std::string> order;
  const auto note = [&order](const char* what) {
    return [&order, what](TBaseReport& report) {
      order.push_back(std::string(what) + " " + std::to_string(report.CurrentPage()));
    };
  };
  r.OnBeforePrint = note("before");
  r.OnNewPage = note("newpage");
  r.OnPrintHeader = note("header");
  r.OnPrintFooter = note("footer");
  r.OnAfterPrint = note("after");
  r.OnPrint = [&order](TBaseReport& report) {
    order.push_back("print");
    report.NewPage();
  };
  r.Execute();
  EXPECT_EQ(order, (std::vector<std::string>{"before 0", "newpage 1", "header 1", "print",
                                             "footer 1", "newpage 2", "header 2", "footer 2",
                                             "after 2"}));
  EXPECT_EQ(r.log, (std::vector<std::string>{"begin", "startpage 1", "endpage 1",
                                             "startpage 2", "enddoc"}));
  EXPECT_FALSE(r.Printing());
}

TEST(PageModelLifecycle, PrintPageLoopAndSkippedPages) {
  RecordingReport r;
  r.SetPageSelection("2");
  std::vector<int> pages;
  r.OnPrintPage = [&pages](TBaseReport& report, int& page) {
    pages.push_back(page);
    report.PrintLeft("x", 1);
    return page < 3;
  };
  r.Execute();
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 3}));
  // Only page 2 is a device page, and only its text is output.
  EXPECT_EQ(std::count_if(r.log.begin(), r.log.end(),
                          [](const std::string& l) { return l.rfind("startpage", 0) == 0; }),
            1);
  EXPECT_TRUE(Contains(r.log, "startpage 2"));
  EXPECT_EQ(std::count_if(r.log.begin(), r.log.end(),
                          [](const std::string& l) { return l.rfind("text", 0) == 0; }),
            1);
}

TEST(PageModelLifecycle, AbortStopsOutputAndCancelsTheJob) {
  RecordingReport r;
  int footers = 0;
  r.OnPrintFooter = [&footers](TBaseReport&) { ++footers; };
  r.OnPrintPage = [](TBaseReport& report, int& page) {
    report.PrintLeft("before", 1);
    if (page == 2) {
      report.Abort();
      report.PrintLeft("after", 1);
    }
    return true;
  };
  r.Execute();
  EXPECT_TRUE(r.Aborted());
  EXPECT_EQ(r.log.back(), "enddoc aborted");
  EXPECT_FALSE(Contains(r.log, "text left after 1.0000 " + RecordingReport::Num(r.YPos())));
  EXPECT_EQ(footers, 1);  // page 1 only: an aborted report gets no footer at the end
  EXPECT_EQ(r.CurrentPage(), 2);
}

TEST(PageModelLifecycle, FailureInsideTheReportStillFinishes) {
  RecordingReport r;
  bool after = false;
  r.OnAfterPrint = [&after](TBaseReport&) { after = true; };
  r.OnPrint = [](TBaseReport&) { throw std::runtime_error("report failed"); };
  EXPECT_THROW(r.Execute(), std::runtime_error);
  EXPECT_FALSE(r.Printing());
  EXPECT_EQ(r.log.back(), "enddoc");
  EXPECT_TRUE(after);
  r.OnPrint = nullptr;
  r.Execute();  // usable again
  EXPECT_FALSE(r.Printing());
}

TEST(PageModelLifecycle, FailureInAPageEventOfStartStillFinishes) {
  RecordingReport r;
  r.OnPrintHeader = [](TBaseReport&) { throw std::runtime_error("header failed"); };
  EXPECT_THROW(r.Execute(), std::runtime_error);
  EXPECT_FALSE(r.Printing());
  EXPECT_EQ(r.log.back(), "enddoc");
}

TEST(PageModelLifecycle, RefusedStartDoesNothing) {
  RecordingReport r;
  r.refuse_start = true;
  bool before = false;
  r.OnBeforePrint = [&before](TBaseReport&) { before = true; };
  r.Execute();
  EXPECT_FALSE(before);
  EXPECT_TRUE(r.log.empty());
}

TEST(PageModelLifecycle, ErrorMessages) {
  RecordingReport r;
  const std::string not_printing = "Invalid method call.  Report is not printing.";
  EXPECT_EQ(ErrorOf([&] { r.TextWidth("x"); }), not_printing);
  EXPECT_EQ(ErrorOf([&] { r.PrintLeft("x", 1); }), not_printing);
  EXPECT_EQ(ErrorOf([&] { r.Rectangle(0, 0, 1, 1); }), not_printing);
  EXPECT_EQ(ErrorOf([&] { r.NewPage(); }), not_printing);
  EXPECT_EQ(ErrorOf([&] { r.Finish(); }), not_printing);
  r.Start();
  const std::string already = "Invalid method call.  Report already printing.";
  EXPECT_EQ(ErrorOf([&] { r.Start(); }), already);
  EXPECT_EQ(ErrorOf([&] { r.SetCopies(3); }), already);
  EXPECT_EQ(ErrorOf([&] { r.SetOutputFileName("x.pdf"); }), already);
  r.Finish();
  r.SetCopies(3);
  EXPECT_EQ(r.Copies(), 3);
}

TEST(PageModelRegions, StackOfTwentyOne) {
  RecordingReport r;
  r.Start();
  r.SelectClipRegion();  // empty stack: nothing
  r.DeleteRegion();
  EXPECT_TRUE(r.log.size() == 2u);  // begin, startpage
  for (int i = 0; i < TBaseReport::kMaxRegions; ++i) r.CreateRectRegion(0, 0, 1, 1);
  EXPECT_EQ(ErrorOf([&] { r.CreateRectRegion(0, 0, 1, 1); }),
            "Invalid method call.  Too many clip regions.");
  EXPECT_EQ(r.RegionCount(), 21);
  r.SelectClipRegion();
  r.DeleteRegion();
  EXPECT_EQ(r.RegionCount(), 20);
  EXPECT_TRUE(Contains(r.log, "selectclip"));
  EXPECT_TRUE(Contains(r.log, "deleteregion"));
  r.Finish();
  EXPECT_EQ(r.RegionCount(), 0);
}

TEST(PageModelDestinations, AllowSetsAndOutputKinds) {
  RecordingReport r;
  r.Start();
  r.AllowPreviewOnly();
  EXPECT_EQ(r.Destinations() & (kDestPrinter | kDestPreview), kDestPreview);
  r.Rectangle(0, 0, 1, 1);  // a printer-kind report outputs nothing now
  EXPECT_FALSE(Contains(r.log, "rect 0.0000 0.0000 1.0000 1.0000"));
  r.AllowPrinterOnly();
  EXPECT_EQ(r.Destinations() & (kDestPrinter | kDestPreview), kDestPrinter);
  r.Rectangle(0, 0, 1, 1);
  EXPECT_TRUE(Contains(r.log, "rect 0.0000 0.0000 1.0000 1.0000"));
  r.AllowAll();
  EXPECT_EQ(r.Destinations(), kDestAll);
  r.Finish();
}

}  // namespace
