#include "reports/ui/ReportPrint.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <exception>

#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"
#include "reports/ui/ReportErrorHandler.h"
#include "reports/StatusFontMeasure.h"
#include "widgets/DialogFrame.h"
#include "widgets/FormPlacement.h"
#include "widgets/MessageBox.h"

namespace {

QFont ArialBold() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  font.setBold(true);
  return font;
}

// A carriage return in a status text starts a new line of the label.
QString LabelText(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

constexpr int kButtonWidth = 89;
constexpr int kButtonHeight = 25;

}  // namespace

TReportPrint::TReportPrint(TTaskWalk& source, QWidget* parent)
    : QDialog(parent),
      measure_(WindowFont()),
      report_(source, TTaskReportOptions(), measure_.AsFunction(), ScreenPixelsPerInch()) {
  InstallReportErrorBox();
  setObjectName(QStringLiteral("ReportPrint"));
  setWindowTitle(QStringLiteral("Print Status Screen"));
  setFont(WindowFont());
  setFixedSize(kClientWidth, kClientHeight);
  // No minimise or maximise button; the close button is refused while the report runs.
  SetFixedDialogButtons(this);

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setFont(ArialBold());
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setStyleSheet(QStringLiteral("color: black"));
  Label1->setGeometry(8, 6, kClientWidth - 16, kClientHeight - kButtonHeight - 22);

  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setFont(ArialBold());
  CancelButton->setGeometry((kClientWidth - kButtonWidth) / 2, kClientHeight - kButtonHeight - 10, kButtonWidth,
                            kButtonHeight);
  CancelButton->setAutoDefault(false);
  connect(CancelButton, &QPushButton::clicked, this, &TReportPrint::CancelButtonClick);

  TestPrinterReport = std::make_unique<TPrinterReport>(this);
  TestReportFiler = std::make_unique<TReportFiler>(this);
  ConfigureReport(*TestPrinterReport, QStringLiteral("Printing Page %p"));
  ConfigureReport(*TestReportFiler, QStringLiteral("Printing page %p"));
  TestReportFiler->SetAccuracyMethod(amPositioning);
  TestReportFiler->SetStreamMode(smUser);
}

TReportPrint::~TReportPrint() = default;

QFont TReportPrint::WindowFont() { return TStatusFontMeasure::Font(); }

void TReportPrint::ConfigureReport(TBaseReport& report, const QString& statusFormat) {
  report_.Attach(report);
  report.SetStatusLabel(Label1);
  report.SetStatusFormat(statusFormat);
}

void TReportPrint::SetOptions(const TTaskReportOptions& options) {
  report_.SetOptions(options);
  // A PDF the print job writes is titled as the report is.
  TestPrinterReport->SetDocumentTitle(options.Title);
}

void TReportPrint::SetPrintMode(bool printMode, QIODevice* stream) {
  printMode_ = printMode;
  if (printMode) {
    setWindowTitle(QStringLiteral("Print Status"));
    CancelButton->setText(QStringLiteral("Cancel"));
  } else {
    TestReportFiler->SetStream(stream);
    setWindowTitle(QStringLiteral("Preview Status"));
    CancelButton->setText(QStringLiteral("Stop"));
  }
  TBaseReport& report = Report();
  report.OnBeforePrint = [this](TBaseReport& r) { BeforePrintReport(r); };
}

void TReportPrint::SetOrientation(TOrientation orientation) { TestPrinterReport->SetOrientation(orientation); }

TBaseReport& TReportPrint::Report() {
  if (printMode_) return *TestPrinterReport;
  return *TestReportFiler;
}

void TReportPrint::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The run starts once the window is on the screen (its first activation).
  if (!started_) QTimer::singleShot(0, this, &TReportPrint::FormActivate);
}

void TReportPrint::FormActivate() {
  if (started_) return;  // one opening makes one run
  started_ = true;
  running_ = true;
  TBaseReport& report = Report();
  try {
    report.Execute();
  } catch (const std::exception& e) {
    failed_ = true;
    ErrorBox(QString::fromUtf8(e.what()));
  }
  aborted_ = report.Aborted();
  running_ = false;
  ended_ = true;
  CancelButton->setText(QStringLiteral("OK"));
  CancelButton->setDefault(true);
  CancelButton->setFocus();
  report.SetStatusFormat(ClosingFormat());
  Label1->setText(LabelText(report.StatusString()));
}

void TReportPrint::BeforePrintReport(TBaseReport& report) {
  report.SetStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
  report.StatusText().append(QString());
  report.StatusText().append(QString());
}

QString TReportPrint::ClosingFormat() const {
  // A run that failed is not reported as completed.
  if (aborted_ || failed_) return printMode_ ? QStringLiteral("\rPrint Canceled!") : QStringLiteral("\rPreview Canceled!");
  if (report_.Stopped()) return QStringLiteral("\rPreview Stopped at page %p!");
  return printMode_ ? QStringLiteral("\rPrint Completed!") : QStringLiteral("\rPreview Ready!");
}

void TReportPrint::CancelButtonClick() {
  if (ended_) {
    accept();
    return;
  }
  if (!running_) return;
  if (!printMode_) {
    report_.Stop();
    return;
  }
  if (Report().Aborted()) return;
  const auto answer = ShowMessageBox(QMessageBox::Information, QString::fromLatin1(kProgramTitle),
                                     QStringLiteral("Cancel Printing?"), QMessageBox::Yes | QMessageBox::No);
  // The run may have ended while the question was open.
  if (answer != QMessageBox::Yes || !running_) return;
  Report().Abort();
  // The document is cancelled at once; the report outputs nothing more and ends.
  TREDevice& device = TREDevice::Instance();
  if (device.Printing()) {
    try {
      device.AbortDoc();
    } catch (const std::exception& e) {
      ErrorBox(QString::fromUtf8(e.what()));
    }
  }
}

void TReportPrint::reject() {
  if (ended_) QDialog::reject();
}

void TReportPrint::closeEvent(QCloseEvent* event) {
  if (!ended_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}
