#include "reports/ui/ReportSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>

#include "core/AppHelpers.h"
#include "reportengine/ReportTypes.h"
#include "reportengine/WaitCursor.h"
#include "reportengine/ui/PrintDialogs.h"
#include "reports/ui/ReportDialogScript.h"
#include "reports/ui/ReportErrorHandler.h"
#include "reports/ui/TaskReportRun.h"
#include "store/TodoTableWalk.h"
#include "widgets/BevelPanel.h"
#include "widgets/DialogFrame.h"
#include "widgets/FormPlacement.h"
#include "widgets/HelpContext.h"
#include "widgets/MessageBox.h"
#include "widgets/WhatsThisButton.h"

using xbase::Status;

namespace {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

// Layout, in pixels of the client area.
constexpr int kBarHeight = 42;
constexpr int kTabHeight = 24;
constexpr int kPageHeight = TReportSetup::kClientHeight - kBarHeight - kTabHeight;
constexpr int kMargin = 16;
constexpr int kFieldWidth = 420;
constexpr int kEditHeight = 21;
constexpr int kCheckTop = 70;
constexpr int kCheckStep = 24;
constexpr int kButtonHeight = 25;
constexpr int kFootTop = kPageHeight - kMargin - kButtonHeight;



}  // namespace

void TReportSetup::Execute(TodoTable& table, TPreferences& preferences, QWidget* parent) {
  TReportSetup dialog(table, parent);
  CenterForm(&dialog);
  dialog.SetSwitches(preferences);
  dialog.exec();
  dialog.GetSwitches(&preferences);
}

TReportSetup::TReportSetup(TodoTable& table, QWidget* parent)
    : QDialog(parent), table_(table), settings_(ProgramDirectory()) {
  setObjectName(QStringLiteral("ReportSetup"));
  setWindowTitle(QStringLiteral("Print Report"));
  setFont(TDialogFontMeasure::Font());
  setFixedSize(kClientWidth, kClientHeight);
  // The fixed frame of the program's dialogs: no minimise or maximise button (a window
  // manager adds them to a title bar that names no buttons).
  SetFixedDialogButtons(this);
  SetHelpContext(this, kHelpContext);

  Notebook1 = Named(new QStackedWidget(this), "Notebook1");
  Notebook1->setGeometry(0, 0, kClientWidth, kPageHeight);
  const char* const pageNames[] = {"PrintedReportPage", "HTMLPage", "RTFPage", "TextPage"};
  QWidget* pages[4];
  for (int i = 0; i < 4; ++i) {
    pages[i] = Named(new QWidget(Notebook1), pageNames[i]);
    Notebook1->addWidget(pages[i]);
  }
  BuildPrintedReportPage(pages[0]);
  BuildExportPage(pages[1], {"HTML Page Title", "HTMLTitleLabel", "HTMLPageTitle", "HTMLDoNotes", "HTMLSaveAs"},
                  &HTMLTitleLabel, &HTMLPageTitle, &HTMLDoNotes, &HTMLSaveAs);
  ColorPanel = Named(new TBevelPanel(pages[1]), "ColorPanel");
  ColorPanel->setGeometry(kMargin, kCheckTop + 2 * kCheckStep, 256, 33);
  ColorPanel->SetCaption(QStringLiteral("Background Color (click to change)"));
  ColorPanel->SetBevelOuter(TBevelPanel::TBevelCut::bvRaised);
  ColorPanel->setCursor(Qt::PointingHandCursor);
  connect(ColorPanel, &TBevelPanel::clicked, this, &TReportSetup::ColorPanelClick);
  BuildExportPage(pages[2], {"RTF Page Title", "RTFTitleLabel", "RTFPageTitle", "RTFDoNotes", "SaveAsRTFClick"},
                  &RTFTitleLabel, &RTFPageTitle, &RTFDoNotes, &SaveAsRTFClick);
  BuildExportPage(pages[3], {"Text File Page Title", "TextTitleLabel", "TextPageTitle", "TextDoNotes", "SaveAsText"},
                  &TextTitleLabel, &TextPageTitle, &TextDoNotes, &SaveAsText);
  connect(HTMLSaveAs, &QPushButton::clicked, this, &TReportSetup::HTMLSaveAsClick);
  connect(SaveAsRTFClick, &QPushButton::clicked, this, &TReportSetup::SaveAsRTFClickClick);
  connect(SaveAsText, &QPushButton::clicked, this, &TReportSetup::SaveAsTextClick);

  TabSet1 = Named(new QTabBar(this), "TabSet1");
  TabSet1->setShape(QTabBar::RoundedSouth);
  TabSet1->setExpanding(false);
  TabSet1->setDrawBase(true);
  for (const char* caption : {"Printed Report", "HTML Document", "RTF File", "Text File"})
    TabSet1->addTab(QString::fromLatin1(caption));
  TabSet1->setGeometry(0, kPageHeight, kClientWidth, kTabHeight);
  connect(TabSet1, &QTabBar::currentChanged, this, &TReportSetup::TabSet1Click);

  BottomPanel = Named(new TBevelPanel(this), "BottomPanel");
  BottomPanel->setGeometry(0, kClientHeight - kBarHeight, kClientWidth, kBarHeight);
  constexpr int kButtonWidth = 75;
  constexpr int kButtonGap = 8;
  constexpr int kButtonsLeft = (kClientWidth - 2 * kButtonWidth - kButtonGap) / 2;
  constexpr int kButtonTop = (kBarHeight - kButtonHeight) / 2;
  ReturnButton = Named(new QPushButton(QStringLiteral("Ok"), BottomPanel), "ReturnButton");
  ReturnButton->setGeometry(kButtonsLeft, kButtonTop, kButtonWidth, kButtonHeight);
  ReturnButton->setDefault(true);
  HelpButton = Named(new QPushButton(QStringLiteral("Help"), BottomPanel), "HelpButton");
  HelpButton->setGeometry(kButtonsLeft + kButtonWidth + kButtonGap, kButtonTop, kButtonWidth, kButtonHeight);
  HelpButton->setAutoDefault(false);
  WhatsThisButton = Named(new TWhatsThisButton(BottomPanel), "WhatsThisButton");
  WhatsThisButton->setGeometry(kClientWidth - 8 - kButtonHeight, kButtonTop, kButtonHeight, kButtonHeight);
  connect(ReturnButton, &QPushButton::clicked, this, &TReportSetup::ReturnButtonClick);
  connect(HelpButton, &QPushButton::clicked, this, [] { ShowHelpContext(kHelpContext); });

  SetWhatsThisTexts();

  InstallReportErrorBox();
  PrinterReport1 = std::make_unique<TPrinterReport>(this);
  PrinterReport1->SetStatusFormat(QStringLiteral("Printing page %p"));
  PrinterReport1->SetUnitsFactor(1.0);
  PrinterReport1->SetTitle(QStringLiteral("Printer Report"));
  PrinterReport1->SetOrientation(poDefault);
  PrinterReport1->SetScaleX(100);
  PrinterReport1->SetScaleY(100);

  setTabOrder(ReportTitleField, PrintMemoBox);
  setTabOrder(PrintMemoBox, PrintCheckBox);
  setTabOrder(PrintCheckBox, DoubleSpace);
  setTabOrder(DoubleSpace, PrintKeywords);
  setTabOrder(PrintKeywords, PrintNow);
  setTabOrder(PrintNow, Previewbutton);
  setTabOrder(Previewbutton, PrintSetup);
  setTabOrder(PrintSetup, ReturnButton);
  setTabOrder(ReturnButton, HelpButton);
  setTabOrder(HelpButton, WhatsThisButton);

  FormCreate();
}

void TReportSetup::BuildPrintedReportPage(QWidget* page) {
  ReportTitleLabel = Named(new QLabel(QStringLiteral("Report Title"), page), "ReportTitleLabel");
  ReportTitleLabel->setGeometry(kMargin, kMargin, 300, 15);
  ReportTitleField = Named(new QLineEdit(page), "ReportTitleField");
  ReportTitleField->setGeometry(kMargin, kMargin + 17, kFieldWidth, kEditHeight);
  ReportTitleLabel->setBuddy(ReportTitleField);

  const struct {
    QCheckBox** box;
    const char* name;
    const char* caption;
  } boxes[] = {{&PrintMemoBox, "PrintMemoBox", "Print Notes"},
               {&PrintCheckBox, "PrintCheckBox", "Print Checkbox"},
               {&DoubleSpace, "DoubleSpace", "Double Spaced"},
               {&PrintKeywords, "PrintKeywords", "Print Keywords"}};
  int top = kCheckTop;
  for (const auto& b : boxes) {
    *b.box = Named(new QCheckBox(QString::fromLatin1(b.caption), page), b.name);
    (*b.box)->setGeometry(kMargin, top, 250, 17);
    top += kCheckStep;
  }

  PrintNow = Named(new QPushButton(QStringLiteral("Print"), page), "PrintNow");
  PrintNow->setGeometry(kMargin, kFootTop, 90, kButtonHeight);
  Previewbutton = Named(new QPushButton(QStringLiteral("Preview"), page), "Previewbutton");
  Previewbutton->setGeometry(kMargin + 98, kFootTop, 90, kButtonHeight);
  PrintSetup = Named(new QPushButton(QStringLiteral("Printer Setup"), page), "PrintSetup");
  PrintSetup->setGeometry(kMargin + 196, kFootTop, 100, kButtonHeight);
  for (QPushButton* button : {PrintNow, Previewbutton, PrintSetup}) button->setAutoDefault(false);
  connect(PrintNow, &QPushButton::clicked, this, &TReportSetup::PrintNowClick);
  connect(Previewbutton, &QPushButton::clicked, this, &TReportSetup::PreviewButtonClick);
  connect(PrintSetup, &QPushButton::clicked, this, &TReportSetup::PrintSetupClick);
}

void TReportSetup::BuildExportPage(QWidget* page, const TExportPageNames& names, QLabel** label, QLineEdit** title,
                                   QCheckBox** notes, QPushButton** saveAs) {
  *label = Named(new QLabel(QString::fromLatin1(names.Caption), page), names.Label);
  (*label)->setGeometry(kMargin, kMargin, 300, 15);
  *title = Named(new QLineEdit(page), names.Title);
  (*title)->setGeometry(kMargin, kMargin + 17, kFieldWidth, kEditHeight);
  (*label)->setBuddy(*title);
  *notes = Named(new QCheckBox(QStringLiteral("Copy Notes"), page), names.Notes);
  (*notes)->setGeometry(kMargin, kCheckTop, 250, 17);
  *saveAs = Named(new QPushButton(QStringLiteral("Save As"), page), names.SaveAs);
  (*saveAs)->setGeometry(kMargin, kFootTop, 90, kButtonHeight);
  (*saveAs)->setAutoDefault(false);
}

void TReportSetup::SetWhatsThisTexts() {
  ColorPanel->setWhatsThis(QStringLiteral("Click here to change the background color for the HTML document"));
  DoubleSpace->setWhatsThis(QStringLiteral("Select this option to use double-space printing"));
  HTMLDoNotes->setWhatsThis(QStringLiteral("Check here to write the notes (memo) as part of the HTML document"));
  HTMLPageTitle->setWhatsThis(QStringLiteral("Enter the HTML page title here"));
  HTMLSaveAs->setWhatsThis(QStringLiteral("Click here to save the current Todo List as an HTML file"));
  Previewbutton->setWhatsThis(QStringLiteral("Click here to preview the printed report"));
  PrintCheckBox->setWhatsThis(QStringLiteral(
      "Select this option to also print a small checkbox next to each task (for your use in checking them off)"));
  PrintKeywords->setWhatsThis(QStringLiteral(
      "Select this option to also print the KEYWORDS. (note: keywords will be printed on a seperate line)"));
  PrintMemoBox->setWhatsThis(QStringLiteral("Select this option to also print the notes information"));
  PrintNow->setWhatsThis(QStringLiteral("Click here to print the list now."));
  PrintSetup->setWhatsThis(QStringLiteral("Click here to set up the printer prior to printing the list."));
  ReportTitleField->setWhatsThis(QStringLiteral("Enter a title to be printed at the top of the report"));
  ReturnButton->setWhatsThis(QStringLiteral("Click here to return to the main screen"));
  RTFDoNotes->setWhatsThis(QStringLiteral("Check here to write the notes (memo) as part of the RTF file"));
  RTFPageTitle->setWhatsThis(QStringLiteral("Enter a title to print on the top of the RTF file page here"));
  SaveAsRTFClick->setWhatsThis(QStringLiteral("Click here to save the current Todo List as an RTF file"));
  SaveAsText->setWhatsThis(QStringLiteral("Click here to save the current ToDo List as a text file (ASCII)"));
  TextDoNotes->setWhatsThis(QStringLiteral("Check here to write the notes (memo) as part of the text file"));
  TextPageTitle->setWhatsThis(QStringLiteral("Enter a title for the text file page here"));
}

void TReportSetup::FormCreate() {
  LoadPreferences();
  SetBackgroundColor(backgroundColor_);
  TabSet1->setCurrentIndex(0);
  TabSet1Click(0);
}

void TReportSetup::LoadPreferences() {
  texts_ = settings_.LoadReportTexts();
  ReportTitleField->setText(texts_.ReportTitle);
  HTMLPageTitle->setText(texts_.HTMLTitle);
  RTFPageTitle->setText(texts_.RTFTitle);
  TextPageTitle->setText(texts_.TextTitle);
}

Status TReportSetup::SavePreferences() const {
  TReportTexts texts = texts_;
  texts.ReportTitle = ReportTitleField->text();
  texts.HTMLTitle = HTMLPageTitle->text();
  texts.RTFTitle = RTFPageTitle->text();
  texts.TextTitle = TextPageTitle->text();
  return settings_.SaveReportTexts(texts);
}

void TReportSetup::SetSwitches(const TPreferences& preferences) {
  PrintMemoBox->setChecked(preferences.PrintMemo);
  PrintCheckBox->setChecked(preferences.PrintCheckbox);
  DoubleSpace->setChecked(preferences.PrintDoubleSpace);
  PrintKeywords->setChecked(preferences.PrintKeywords);
  HTMLDoNotes->setChecked(preferences.HTMLPrintMemo);
  RTFDoNotes->setChecked(preferences.RTFPrintMemo);
  TextDoNotes->setChecked(preferences.TextPrintMemo);
  SetBackgroundColor(preferences.HTMLColor);
}

void TReportSetup::GetSwitches(TPreferences* preferences) const {
  preferences->PrintMemo = PrintMemoBox->isChecked();
  preferences->PrintCheckbox = PrintCheckBox->isChecked();
  preferences->PrintDoubleSpace = DoubleSpace->isChecked();
  preferences->PrintKeywords = PrintKeywords->isChecked();
  preferences->HTMLPrintMemo = HTMLDoNotes->isChecked();
  preferences->RTFPrintMemo = RTFDoNotes->isChecked();
  preferences->TextPrintMemo = TextDoNotes->isChecked();
  preferences->HTMLColor = backgroundColor_;
}

void TReportSetup::SetBackgroundColor(int windowsColor) {
  backgroundColor_ = windowsColor;
  colorString_ = TTaskExport::ColorString(windowsColor);
  ColorPanel->SetColor(ColorToQColor(static_cast<TColor>(windowsColor) & 0xFFFFFF));
}

void TReportSetup::SplitFilePath(const QString& path, QString* directory, QString* fileName) {
  qsizetype at = -1;
  for (const QChar separator : {QLatin1Char('/'), QLatin1Char('\\'), QLatin1Char(':')})
    at = qMax(at, path.lastIndexOf(separator));
  *directory = path.left(at + 1);
  *fileName = path.mid(at + 1);
}

bool TReportSetup::CheckPrinters() {
  if (PrintersInstalled()) return true;
  InfoBox(QStringLiteral("There are no printers installed"));
  return false;
}

void TReportSetup::PrintNowClick() {
  if (!CheckPrinters()) return;
  printMode_ = true;
  if (!ShowPrintDialog(*PrinterReport1, this)) return;
  DoPrint();
}

void TReportSetup::PreviewButtonClick() {
  if (!CheckPrinters()) return;
  printMode_ = false;
  DoPrint();
}

void TReportSetup::PrintSetupClick() {
  if (!CheckPrinters()) return;
  ShowPrinterSetupDialog(*PrinterReport1, this);
}

void TReportSetup::DoPrint() {
  TTaskReportRunRequest request;
  request.Options.Title = ReportTitleField->text();
  request.Options.PrintMemo = PrintMemoBox->isChecked();
  request.Options.PrintCheckbox = PrintCheckBox->isChecked();
  request.Options.DoubleSpace = DoubleSpace->isChecked();
  request.Options.PrintKeywords = PrintKeywords->isChecked();
  request.PrintMode = printMode_;
  request.Orientation = PrinterReport1->Orientation();
  request.Copies = PrinterReport1->Copies();
  request.OutputFileName = PrinterReport1->OutputFileName();
  RunTaskReport(table_, request, this);
}

void TReportSetup::ColorPanelClick() {
  SetBackgroundColor(static_cast<int>(
      QColorToColor(RunColorDialog(this, ColorToQColor(static_cast<TColor>(backgroundColor_) & 0xFFFFFF)))));
}

void TReportSetup::TabSet1Click(int index) {
  if (index >= 0 && index < Notebook1->count()) Notebook1->setCurrentIndex(index);
}

void TReportSetup::ReturnButtonClick() { accept(); }

void TReportSetup::HTMLSaveAsClick() { SaveAs(TExportFormat::kHtml); }
void TReportSetup::SaveAsRTFClickClick() { SaveAs(TExportFormat::kRtf); }
void TReportSetup::SaveAsTextClick() { SaveAs(TExportFormat::kText); }

QString TReportSetup::AskFileName(const QString& filter, const QString& extension, const QString& remembered) {
  TSaveFileRequest request;
  request.Filter = filter;
  SplitFilePath(remembered, &request.Directory, &request.FileName);
  for (;;) {
    QString path = RunSaveFileDialog(this, request);
    if (path.isEmpty()) return QString();
    // A name typed without an extension gets the format's own.
    if (!QFileInfo(path).fileName().contains(QLatin1Char('.'))) path += QLatin1Char('.') + extension;
    if (!QFileInfo::exists(path)) return path;
    const auto answer = ShowMessageBox(QMessageBox::Warning, QStringLiteral("Save As"),
                                       path + QStringLiteral(" already exists.\rDo you want to replace it?"),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes) return path;
    // No: back to the save dialog, on the name just chosen.
    SplitFilePath(path, &request.Directory, &request.FileName);
  }
}

void TReportSetup::SaveAs(TExportFormat format) {
  QString filter;
  QString extension;
  QString* remembered = nullptr;
  QLineEdit* title = nullptr;
  QCheckBox* notes = nullptr;
  switch (format) {
    case TExportFormat::kHtml:
      filter = QStringLiteral("HTM Document|*.htm");
      extension = QStringLiteral("htm");
      remembered = &texts_.HTMLFilePath;
      title = HTMLPageTitle;
      notes = HTMLDoNotes;
      break;
    case TExportFormat::kRtf:
      filter = QStringLiteral("RTF Document|*.rtf");
      extension = QStringLiteral("rtf");
      remembered = &texts_.RTFFilePath;
      title = RTFPageTitle;
      notes = RTFDoNotes;
      break;
    case TExportFormat::kText:
      filter = QStringLiteral("Text File|*.txt");
      extension = QStringLiteral("txt");
      remembered = &texts_.TextFilePath;
      title = TextPageTitle;
      notes = TextDoNotes;
      break;
  }
  const QString path = AskFileName(filter, extension, *remembered);
  if (path.isEmpty()) return;
  const Status written = Copy(format, path, title->text(), notes->isChecked(), colorString_);
  if (!written.ok()) {
    ErrorBox(QString::fromStdString(written.message()));
    return;
  }
  InfoBox(QStringLiteral("Saved as ") + path);
  *remembered = path;
  const Status stored = SavePreferences();
  if (!stored.ok()) ErrorBox(QString::fromStdString(stored.message()));
}

Status TReportSetup::Copy(TExportFormat format, const QString& fileName, const QString& title, bool notes,
                          const QString& colorString) {
  const WaitCursor busy;
  TTodoTableWalk source(table_);
  TExportOptions options = TTaskExport::OptionsFor(format, measure_);
  options.Title = title;
  options.CopyNotes = notes;
  options.ColorString = colorString;
  // Windows repaint during a long export; no command can start meanwhile (user input
  // waits), and asking the event loop every row would cost more than the row itself.
  QElapsedTimer sinceEvents;
  sinceEvents.start();
  options.BetweenRows = [&sinceEvents] {
    if (sinceEvents.elapsed() < 20) return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceEvents.restart();
  };
  return TTaskExport::WriteFile(source, options, fileName);
}

Status TReportSetup::CopyHTML(const QString& fileName, const QString& colorString, const QString& title) {
  return Copy(TExportFormat::kHtml, fileName, title, HTMLDoNotes->isChecked(), colorString);
}

Status TReportSetup::CopyRTF(const QString& fileName, const QString& title) {
  return Copy(TExportFormat::kRtf, fileName, title, RTFDoNotes->isChecked(), QString());
}

Status TReportSetup::CopyText(const QString& fileName, const QString& title) {
  return Copy(TExportFormat::kText, fileName, title, TextDoNotes->isChecked(), QString());
}
