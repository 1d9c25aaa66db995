#include "reportengine/ui/PrinterSetupDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (buddy) label->setBuddy(buddy);
  return label;
}

}  // namespace

TPrinterSetupDialog::TPrinterSetupDialog(std::vector<TREDeviceItem> printers, TPaperOf paper_of,
                                         const TPrinterSetup& current, QWidget* parent)
    : QDialog(parent), printers_(std::move(printers)), paper_of_(std::move(paper_of)) {
  setObjectName(QStringLiteral("PrinterSetupDialog"));
  setWindowTitle(QStringLiteral("Print Setup"));
  // The frame of the program's fixed dialogs: a title and a close button, no resizing.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* printerBox = new QGroupBox(QStringLiteral("Printer"), this);
  PrinterName = Named(new QComboBox(printerBox), "PrinterName");
  for (const TREDeviceItem& item : printers_) PrinterName->addItem(item.DisplayName());
  PrinterName->setMinimumContentsLength(32);
  PrinterName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  PrinterType = Named(new QLabel(printerBox), "PrinterType");
  PrinterWhere = Named(new QLabel(printerBox), "PrinterWhere");
  auto* printerGrid = new QGridLayout(printerBox);
  printerGrid->addWidget(Caption(QStringLiteral("&Name:"), PrinterName, printerBox), 0, 0);
  printerGrid->addWidget(PrinterName, 0, 1);
  printerGrid->addWidget(Caption(QStringLiteral("Type:"), nullptr, printerBox), 1, 0);
  printerGrid->addWidget(PrinterType, 1, 1);
  printerGrid->addWidget(Caption(QStringLiteral("Where:"), nullptr, printerBox), 2, 0);
  printerGrid->addWidget(PrinterWhere, 2, 1);
  printerGrid->setColumnStretch(1, 1);

  auto* paperBox = new QGroupBox(QStringLiteral("Paper"), this);
  PaperSize = Named(new QComboBox(paperBox), "PaperSize");
  PaperSource = Named(new QComboBox(paperBox), "PaperSource");
  auto* paperGrid = new QGridLayout(paperBox);
  paperGrid->addWidget(Caption(QStringLiteral("Si&ze:"), PaperSize, paperBox), 0, 0);
  paperGrid->addWidget(PaperSize, 0, 1);
  paperGrid->addWidget(Caption(QStringLiteral("&Source:"), PaperSource, paperBox), 1, 0);
  paperGrid->addWidget(PaperSource, 1, 1);
  paperGrid->setColumnStretch(1, 1);

  auto* orientationBox = new QGroupBox(QStringLiteral("Orientation"), this);
  Portrait = Named(new QRadioButton(QStringLiteral("P&ortrait"), orientationBox), "Portrait");
  Landscape = Named(new QRadioButton(QStringLiteral("&Landscape"), orientationBox), "Landscape");
  auto* orientationGroup = new QButtonGroup(orientationBox);
  orientationGroup->addButton(Portrait);
  orientationGroup->addButton(Landscape);
  auto* orientationColumn = new QVBoxLayout(orientationBox);
  orientationColumn->addWidget(Portrait);
  orientationColumn->addWidget(Landscape);

  OkButton = Named(new QPushButton(QStringLiteral("OK"), this), "OkButton");
  OkButton->setDefault(true);
  CancelButton = Named(new QPushButton(QStringLiteral("Cancel"), this), "CancelButton");
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* lower = new QHBoxLayout;
  lower->addWidget(paperBox, 1);
  lower->addWidget(orientationBox);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OkButton);
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(printerBox);
  layout->addLayout(lower);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  const int shown = printers_.empty() ? -1 : std::clamp(current.Printer, 0, static_cast<int>(printers_.size()) - 1);
  PrinterName->setCurrentIndex(shown);
  ShowPrinter(shown, current.Paper, current.Bin);
  (current.Orientation == poLandScape ? Landscape : Portrait)->setChecked(true);
  // A printer chosen in the list brings its own paper; the size and source chosen so far
  // stay where it has them too.
  connect(PrinterName, &QComboBox::currentIndexChanged, this, [this](int index) {
    const TPrinterSetup chosen = Setup();
    ShowPrinter(index, chosen.Paper, 0);
  });
  PrinterName->setFocus();
}

void TPrinterSetupDialog::ShowPrinter(int index, const QPageSize& keep, int bin) {
  PaperSize->clear();
  PaperSource->clear();
  sizes_.clear();
  if (index < 0 || index >= static_cast<int>(printers_.size())) {
    PrinterType->clear();
    PrinterWhere->clear();
    return;
  }
  const TREDeviceItem& item = printers_[static_cast<size_t>(index)];
  PrinterType->setText(item.DriverName());
  PrinterWhere->setText(item.PortName());
  TPrinterPaper paper = paper_of_ ? paper_of_(index) : TPrinterPaper();
  sizes_ = paper.Sizes;
  int size_at = -1;
  int default_at = -1;
  for (qsizetype i = 0; i < sizes_.size(); ++i) {
    if (keep.isValid() && sizes_.at(i).isEquivalentTo(keep) && size_at < 0) size_at = static_cast<int>(i);
    if (paper.Default.isValid() && sizes_.at(i).isEquivalentTo(paper.Default) && default_at < 0)
      default_at = static_cast<int>(i);
  }
  // The printer's own size, even where its list leaves it out.
  if (default_at < 0 && paper.Default.isValid()) {
    sizes_.append(paper.Default);
    default_at = static_cast<int>(sizes_.size()) - 1;
  }
  for (const QPageSize& size : sizes_) PaperSize->addItem(size.name());
  PaperSize->setCurrentIndex(size_at >= 0 ? size_at : default_at >= 0 ? default_at : 0);
  PaperSource->addItem(QStringLiteral("Default"));
  PaperSource->addItems(paper.Bins);
  PaperSource->setCurrentIndex(bin >= 0 && bin <= paper.Bins.size() ? bin : 0);
  PaperSource->setEnabled(!paper.Bins.isEmpty());
}

TPrinterSetup TPrinterSetupDialog::Setup() const {
  TPrinterSetup setup;
  setup.Printer = PrinterName->currentIndex();
  const int size = PaperSize->currentIndex();
  if (size >= 0 && size < sizes_.size()) setup.Paper = sizes_.at(size);
  setup.Bin = std::max(0, PaperSource->currentIndex());
  setup.Orientation = Landscape->isChecked() ? poLandScape : poPortrait;
  return setup;
}
