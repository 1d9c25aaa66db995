#include "reports/ui/PreviewForm.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <exception>

#include "reports/ui/ReportErrorHandler.h"
#include "widgets/FormPlacement.h"
#include "widgets/HelpContext.h"
#include "widgets/MagnifyCursor.h"
#include "widgets/MessageBox.h"
#include "widgets/WhatsThisButton.h"

namespace {

// The button pictures, drawn on a 20-pixel grid like the main window's.
enum class TGlyph { kZoomIn, kZoomOut, kPageWidth, kWholePage, kFirst, kPrev, kNext, kLast };

QIcon DrawGlyph(TGlyph glyph) {
  constexpr int kSize = 20;
  QPixmap picture(kSize * 2, kSize * 2);
  picture.setDevicePixelRatio(2);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0, 0, 96);
  const auto lens = [&p, &ink](bool plus) {
    p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 12.5), QPointF(17.5, 17.5));
    p.setPen(QPen(ink, 1.6));
    p.setBrush(QColor(230, 240, 255));
    p.drawEllipse(QPointF(8.5, 8.5), 6, 6);
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(5.5, 8.5), QPointF(11.5, 8.5));
    if (plus) p.drawLine(QPointF(8.5, 5.5), QPointF(8.5, 11.5));
  };
  const auto sheet = [&p](const QRectF& r) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(128, 128, 128), 1));
    for (double y = r.top() + 3; y < r.bottom() - 1.5; y += 2.5) p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
  };
  const auto triangle = [&p, &ink](double x, bool right) {
    QPainterPath path;
    if (right) {
      path.moveTo(x, 4.5);
      path.lineTo(x + 6, 10);
      path.lineTo(x, 15.5);
    } else {
      path.moveTo(x + 6, 4.5);
      path.lineTo(x, 10);
      path.lineTo(x + 6, 15.5);
    }
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(path);
  };
  const auto bar = [&p, &ink](double x) { p.fillRect(QRectF(x, 4.5, 2, 11), ink); };
  switch (glyph) {
    case TGlyph::kZoomIn: lens(true); break;
    case TGlyph::kZoomOut: lens(false); break;
    case TGlyph::kPageWidth: {
      sheet(QRectF(4.5, 2.5, 11, 15));
      p.setPen(QPen(QColor(200, 0, 0), 1.4));
      p.drawLine(QPointF(1, 10), QPointF(19, 10));
      p.drawLine(QPointF(1, 10), QPointF(3.5, 7.5));
      p.drawLine(QPointF(1, 10), QPointF(3.5, 12.5));
      p.drawLine(QPointF(19, 10), QPointF(16.5, 7.5));
      p.drawLine(QPointF(19, 10), QPointF(16.5, 12.5));
      break;
    }
    case TGlyph::kWholePage: sheet(QRectF(5.5, 1.5, 9, 17)); break;
    case TGlyph::kFirst:
      bar(4);
      triangle(7, false);
      break;
    case TGlyph::kPrev: triangle(7, false); break;
    case TGlyph::kNext: triangle(7, true); break;
    case TGlyph::kLast:
      triangle(7, true);
      bar(14);
      break;
  }
  p.end();
  return QIcon(picture);
}

QToolButton* GlyphButton(QWidget* parent, const char* name, TGlyph glyph) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QLatin1String(name));
  button->setIcon(DrawGlyph(glyph));
  button->setIconSize(QSize(20, 20));
  button->setAutoRaise(false);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

constexpr int kButtonSize = 27;
constexpr int kGap = 4;

}  // namespace

TPreviewForm::TPreviewForm(QWidget* parent) : QDialog(parent) {
  InstallReportErrorBox();
  setObjectName(QStringLiteral("PreviewForm"));
  setWindowTitle(QStringLiteral("Preview Report"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  setFont(font);
  resize(kClientWidth, kClientHeight);
  setMinimumSize(420, 160);
  SetHelpContext(this, kHelpContext);

  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setFocusPolicy(Qt::StrongFocus);
  // The grey desk the page lies on.
  QPalette desk = ScrollBox1->viewport()->palette();
  desk.setColor(QPalette::Window, QColor(128, 128, 128));
  ScrollBox1->viewport()->setPalette(desk);
  ScrollBox1->viewport()->setAutoFillBackground(true);
  ScrollBox1->verticalScrollBar()->setSingleStep(20);
  ScrollBox1->horizontalScrollBar()->setSingleStep(20);

  ButtonBar = new QWidget(this);
  ButtonBar->setObjectName(QStringLiteral("ButtonBar"));
  ReturnButton = new QPushButton(QStringLiteral("Ok"), ButtonBar);
  ReturnButton->setObjectName(QStringLiteral("ReturnButton"));
  ReturnButton->setDefault(true);
  sbZoomIn = GlyphButton(ButtonBar, "sbZoomIn", TGlyph::kZoomIn);
  sbZoomOut = GlyphButton(ButtonBar, "sbZoomOut", TGlyph::kZoomOut);
  sbZoomPageWidth = GlyphButton(ButtonBar, "sbZoomPageWidth", TGlyph::kPageWidth);
  sbZoomPage = GlyphButton(ButtonBar, "sbZoomPage", TGlyph::kWholePage);
  zbZoom100 = new QToolButton(ButtonBar);
  zbZoom100->setObjectName(QStringLiteral("zbZoom100"));
  zbZoom100->setText(QStringLiteral("100%"));
  zbZoom100->setFocusPolicy(Qt::NoFocus);
  sbFirstPage = GlyphButton(ButtonBar, "sbFirstPage", TGlyph::kFirst);
  sbPrevPage = GlyphButton(ButtonBar, "sbPrevPage", TGlyph::kPrev);
  sbNextPage = GlyphButton(ButtonBar, "sbNextPage", TGlyph::kNext);
  sbLastPAge = GlyphButton(ButtonBar, "sbLastPAge", TGlyph::kLast);
  Helpbutton = new QPushButton(QStringLiteral("Help"), ButtonBar);
  Helpbutton->setObjectName(QStringLiteral("Helpbutton"));
  Helpbutton->setAutoDefault(false);
  MouseHelpButton = new TWhatsThisButton(ButtonBar);
  MouseHelpButton->setObjectName(QStringLiteral("MouseHelpButton"));

  FilePreview1 = std::make_unique<TFilePreview>(this);
  FilePreview1->SetStreamMode(smUser);
  FilePreview1->SetScrollBox(ScrollBox1);
  FilePreview1->SetZoomFactor(100);
  FilePreview1->SetMarginPercent(2.5);
  FilePreview1->SetShadowDepth(0);
  FilePreview1->OnZoomChange = [this](TPreviewRenderer&) { FilePreview1ZoomChange(); };
  FilePreview1->OnPageChange = [this](TPreviewRenderer&) { FilePreview1PageChange(); };
  FilePrinter1 = std::make_unique<TFilePrinter>(this);
  FilePrinter1->SetStreamMode(smUser);

  // Every command catches the engine's errors: a broken report file is reported, not fatal.
  const auto guarded = [this](auto action) {
    return [this, action] {
      try {
        action(*FilePreview1);
      } catch (const std::exception& e) {
        ErrorBox(QString::fromUtf8(e.what()));
      }
    };
  };
  connect(ReturnButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(sbZoomIn, &QToolButton::clicked, this, guarded([](TFilePreview& f) { f.ZoomIn(); }));
  connect(sbZoomOut, &QToolButton::clicked, this, guarded([](TFilePreview& f) { f.ZoomOut(); }));
  connect(sbZoomPageWidth, &QToolButton::clicked, this,
          guarded([](TFilePreview& f) { f.SetZoomFactor(f.ZoomPageWidthFactor()); }));
  connect(sbZoomPage, &QToolButton::clicked, this, guarded([](TFilePreview& f) { f.SetZoomFactor(f.ZoomPageFactor()); }));
  connect(zbZoom100, &QToolButton::clicked, this, guarded([](TFilePreview& f) { f.SetZoomFactor(100); }));
  connect(sbFirstPage, &QToolButton::clicked, this,
          guarded([](TFilePreview& f) { f.PrintPage(std::max<int>(1, f.FileHeader().first_page)); }));
  connect(sbPrevPage, &QToolButton::clicked, this, guarded([](TFilePreview& f) { f.PrevPage(); }));
  connect(sbNextPage, &QToolButton::clicked, this, guarded([](TFilePreview& f) { f.NextPage(); }));
  connect(sbLastPAge, &QToolButton::clicked, this,
          guarded([](TFilePreview& f) { f.PrintPage(std::max<int>(f.FileHeader().last_page, f.PageCount())); }));
  connect(Helpbutton, &QPushButton::clicked, this, [] { ShowHelpContext(kHelpContext); });

  Helpbutton->setWhatsThis(QStringLiteral("Click to bring up Windows Help for the program"));
  ReturnButton->setWhatsThis(QStringLiteral("Click to return to the previous screen"));
  sbFirstPage->setWhatsThis(QStringLiteral("Click here to see the first page"));
  sbLastPAge->setWhatsThis(QStringLiteral("Click here to see the last page"));
  sbNextPage->setWhatsThis(QStringLiteral("Click here to see the next page."));
  sbPrevPage->setWhatsThis(QStringLiteral("Click here to see the previous page."));
  sbZoomIn->setWhatsThis(QStringLiteral("Click here to Zoom in."));
  sbZoomOut->setWhatsThis(QStringLiteral("Click here to Zoom out."));
  sbZoomPage->setWhatsThis(QStringLiteral("Click here to see the full page."));
  sbZoomPageWidth->setWhatsThis(QStringLiteral("Click here to make the width of the page fit into the preview."));
  zbZoom100->setWhatsThis(QStringLiteral("Click here to make the preview 100% of actual size"));

  ScrollBox1->installEventFilter(this);
  ScrollBox1->viewport()->installEventFilter(this);
  for (QWidget* child : ButtonBar->findChildren<QWidget*>()) child->installEventFilter(this);
  LayoutBar();
  FormCreate();
}

TPreviewForm::~TPreviewForm() {
  // The preview's image lives in the scroll box; let the preview go first.
  FilePreview1.reset();
}

void TPreviewForm::FormCreate() {
  firstActivation_ = true;
  ScrollBox1->setCursor(MagnifyCursor());
  ScrollBox1->viewport()->setCursor(MagnifyCursor());
  initialZoom_ = kZoomWholePage;
  RestoreFormPlacement(this);
}

void TPreviewForm::LayoutBar() {
  const int w = width();
  const int h = height();
  ScrollBox1->setGeometry(0, 0, w, h - kBarHeight);
  ButtonBar->setGeometry(0, h - kBarHeight, w, kBarHeight);
  const int top = (kBarHeight - kButtonSize) / 2;
  int x = 8;
  ReturnButton->setGeometry(x, top, 75, kButtonSize);
  x += 75 + 3 * kGap;
  for (QToolButton* b : {sbZoomIn, sbZoomOut, sbZoomPageWidth, sbZoomPage}) {
    b->setGeometry(x, top, kButtonSize, kButtonSize);
    x += kButtonSize + kGap;
  }
  zbZoom100->setGeometry(x, top, 45, kButtonSize);
  x += 45 + 3 * kGap;
  for (QToolButton* b : {sbFirstPage, sbPrevPage, sbNextPage, sbLastPAge}) {
    b->setGeometry(x, top, kButtonSize, kButtonSize);
    x += kButtonSize + kGap;
  }
  MouseHelpButton->setGeometry(w - 8 - kButtonSize, top, kButtonSize, kButtonSize);
  Helpbutton->setGeometry(w - 8 - kButtonSize - kGap - 75, top, 75, kButtonSize);
}

void TPreviewForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  LayoutBar();
}

void TPreviewForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (firstActivation_) QTimer::singleShot(0, this, &TPreviewForm::FormActivate);
}

void TPreviewForm::FormActivate() {
  if (!firstActivation_) return;
  firstActivation_ = false;
  try {
    FilePreview1->Start();
    if (initialZoom_ == kZoomWholePage) {
      FilePreview1->SetZoomFactor(FilePreview1->ZoomPageFactor());
    } else if (initialZoom_ == kZoomPageWidth) {
      FilePreview1->SetZoomFactor(FilePreview1->ZoomPageWidthFactor());
    } else {
      FilePreview1->SetZoomFactor(initialZoom_);
    }
  } catch (const std::exception& e) {
    ErrorBox(QString::fromUtf8(e.what()));
  }
  WatchPageImage();
  const bool pages = FilePreview1->PageCount() >= 2;
  for (QToolButton* b : {sbFirstPage, sbPrevPage, sbNextPage, sbLastPAge}) b->setVisible(pages);
}

void TPreviewForm::WatchPageImage() {
  if (QWidget* desk = FilePreview1->Desk()) {
    desk->installEventFilter(this);
    for (QLabel* image : desk->findChildren<QLabel*>()) image->installEventFilter(this);
  }
}

QString TPreviewForm::PageCaption() const {
  const int first = std::max<int>(1, FilePreview1->FileHeader().first_page);
  return QStringLiteral("Preview Page %1 of %2 ( %3% )")
      .arg(FilePreview1->FilePage() - first + 1)
      .arg(FilePreview1->PageCount())
      .arg(static_cast<int>(std::lround(FilePreview1->ZoomFactor())));
}

void TPreviewForm::FilePreview1PageChange() { setWindowTitle(PageCaption()); }

void TPreviewForm::FilePreview1ZoomChange() {
  FilePreview1->RedrawPage();
  if (FilePreview1->Active()) FilePreview1PageChange();
}

void TPreviewForm::ScrollBox1MouseDown(Qt::MouseButton button) {
  try {
    if (button == Qt::LeftButton) {
      FilePreview1->ZoomIn();
    } else {
      FilePreview1->ZoomOut();
    }
  } catch (const std::exception& e) {
    ErrorBox(QString::fromUtf8(e.what()));
  }
}

bool TPreviewForm::FormKeyDown(int key) {
  QScrollBar* bar = ScrollBox1->verticalScrollBar();
  if (key == Qt::Key_Up) {
    bar->setValue(std::max(0, bar->value() - bar->singleStep()));
    return true;
  }
  if (key == Qt::Key_Down) {
    bar->setValue(std::min(bar->maximum(), bar->value() + bar->singleStep()));
    return true;
  }
  return false;
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    if (FormKeyDown(static_cast<QKeyEvent*>(event)->key())) return true;
  } else if (event->type() == QEvent::MouseButtonPress) {
    QWidget* desk = FilePreview1 ? FilePreview1->Desk() : nullptr;
    const bool onPage = watched == ScrollBox1->viewport() || (desk != nullptr && (watched == desk || watched->parent() == desk));
    if (onPage) {
      ScrollBox1MouseDown(static_cast<QMouseEvent*>(event)->button());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TPreviewForm::FormClose() {
  if (closed_) return;
  closed_ = true;
  if (FilePreview1->Active()) {
    try {
      FilePreview1->Finish();
    } catch (const std::exception& e) {
      ErrorBox(QString::fromUtf8(e.what()));
    }
  }
  SaveFormPlacement(this);
}

void TPreviewForm::done(int result) {
  FormClose();
  QDialog::done(result);
}
