#include "widgets/WhatsThisPopup.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QWhatsThis>
#include <QWidget>
#include <algorithm>

#include "widgets/HelpContext.h"
#include "widgets/PopupHelpWindow.h"

TWhatsThisPopup::TWhatsThisPopup(QObject* parent)
    : QObject(parent), linkText_(QStringLiteral("Click here or press F1 for more...")) {
  color_ = QApplication::palette().color(QPalette::ToolTipBase);
  menu_ = new QMenu;
  menu_->setObjectName(QStringLiteral("WhatsThisMenu"));
  QAction* item = menu_->addAction(QStringLiteral("What's this?"));
  connect(item, &QAction::triggered, this, [this] {
    if (menuControl_) Popup(menuControl_, menuPos_);
  });
  qApp->installEventFilter(this);
}

TWhatsThisPopup::~TWhatsThisPopup() {
  qApp->removeEventFilter(this);
  if (current_) current_->close();
  delete menu_;
}

void TWhatsThisPopup::SetMaxWidth(int width) { maxWidth_ = std::max(80, width); }

bool TWhatsThisPopup::Popup(QWidget* control, const QPoint& globalPos) {
  if (!control || control->whatsThis().isEmpty()) return false;
  context_ = HelpContextOf(control);
  // A pop-up still open is reused: closing it and opening another would let
  // the window system's activation change close the new one at once.
  TPopupHelpWindow* window = current_;
  if (!window) {
    window = new TPopupHelpWindow(control);
    connect(window, &TPopupHelpWindow::linkActivated, this, [this] { ShowHelpContext(context_); });
    current_ = window;
  }
  window->setFont(control->window()->font());
  window->SetColor(color_);
  window->SetContent(control->whatsThis(), context_ > 0 ? linkText_ : QString(), maxWidth_);
  window->ShowAt(globalPos);
  return true;
}

bool TWhatsThisPopup::Popup(QWidget* control) {
  if (!control) return false;
  return Popup(control, control->mapToGlobal(QPoint(control->width() / 2, control->height())));
}

void TWhatsThisPopup::AttachMenu(QWidget* control) {
  if (!control) return;
  control->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(control, &QWidget::customContextMenuRequested, this, [this, control](const QPoint& pos) {
    menuControl_ = control;
    menuPos_ = control->mapToGlobal(pos);
    menu_->popup(menuPos_);
  });
}

void TWhatsThisPopup::EnterWhatsThisMode() { QWhatsThis::enterWhatsThisMode(); }

bool TWhatsThisPopup::eventFilter(QObject* watched, QEvent* event) {
  // Qt asks the control under the pointer with a WhatsThis help event; one
  // that has no text lets the request go on to its parent.
  if (event->type() == QEvent::WhatsThis && watched->isWidgetType()) {
    auto* control = static_cast<QWidget*>(watched);
    if (!control->whatsThis().isEmpty()) {
      // Pointer-help mode ends with this answer; left on, it would swallow the
      // click meant to close the pop-up.
      if (QWhatsThis::inWhatsThisMode()) QWhatsThis::leaveWhatsThisMode();
      Popup(control, static_cast<QHelpEvent*>(event)->globalPos());
      event->accept();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}
