#include "widgets/FormPlacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWidget>

#include <cmath>

#include "core/AppHelpers.h"
#include "store/Settings.h"
#include "widgets/MessageBox.h"

namespace {

int& PixelsPerInchOverride() {
  static int pixelsPerInch = 0;
  return pixelsPerInch;
}

// A class name without its namespace.
QString ClassNameOf(const QWidget* form) {
  const QString name = QString::fromLatin1(form->metaObject()->className());
  return name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
}

bool IsMainScreen(const QWidget* form) { return ClassNameOf(form).toUpper() == QLatin1StringView("TMAINSCREEN"); }

QWidget* FindMainScreen() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (IsMainScreen(w)) return w;
  return nullptr;
}

QRect ScreenRect(const QWidget* form) {
  const QScreen* screen = form->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
}

QString PlacementSectionOf(const QWidget* form) {
  return TSettings::PlacementSection(ClassNameOf(form), ScreenPixelsPerInch());
}

}  // namespace

void CenterForm(QWidget* form) {
  if (form == nullptr) return;
  const QRect own = form->frameGeometry();
  QWidget* main = IsMainScreen(form) ? nullptr : FindMainScreen();
  QPoint topLeft;
  if (main == nullptr || main->isMaximized()) {
    const QRect screen = ScreenRect(form);
    topLeft = QPoint(screen.x() + (screen.width() - own.width()) / 2, screen.y() + (screen.height() - own.height()) / 2);
  } else {
    const QRect over = main->frameGeometry();
    topLeft = QPoint(over.x() + (over.width() - own.width()) / 2, over.y() + (over.height() - own.height()) / 2);
  }
  form->move(topLeft);
  const Qt::WindowFlags flags = form->windowFlags();
  if (flags.testFlag(Qt::WindowMaximizeButtonHint) && !flags.testFlag(Qt::WindowSystemMenuHint)) {
    const bool visible = form->isVisible();
    form->setWindowFlags(flags | Qt::WindowSystemMenuHint);
    if (visible) form->show();  // changing the flags hides a window
  }
}

int ScreenPixelsPerInch() {
  if (PixelsPerInchOverride() > 0) return PixelsPerInchOverride();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

void SetScreenPixelsPerInchForTests(int pixelsPerInch) { PixelsPerInchOverride() = pixelsPerInch; }

bool SaveFormPlacement(QWidget* form) {
  if (form == nullptr) return false;
  QRect normal = form->normalGeometry();
  if (!normal.isValid()) normal = form->geometry();  // maximised before it was ever shown normally
  TFormPlacement placement;
  placement.Left = normal.x();
  placement.Top = normal.y();
  placement.Right = normal.x() + normal.width();
  placement.Bottom = normal.y() + normal.height();
  placement.Maximized = form->isMaximized();
  const xbase::Status status = TSettings(ProgramDirectory()).SavePlacement(PlacementSectionOf(form), placement);
  if (status.ok()) return true;
  ErrorBox(QString::fromStdString(status.message()));
  return false;
}

bool RestoreFormPlacement(QWidget* form) {
  if (form == nullptr) return false;
  const TFormPlacement placement =
      TSettings(ProgramDirectory()).LoadPlacement(PlacementSectionOf(form), form->isMaximized());
  // A hand-edited rectangle without width or height is taken as nothing stored:
  // the window would otherwise come up too small to see.
  if (placement.Bottom != 0 && placement.Right > placement.Left && placement.Bottom > placement.Top) {
    QRect r(placement.Left, placement.Top, placement.Right - placement.Left, placement.Bottom - placement.Top);
    const QRect screen = ScreenRect(form);
    const int screenRight = screen.x() + screen.width();
    const int screenBottom = screen.y() + screen.height();
    if (r.x() + r.width() > screenRight) r.moveLeft(screenRight - r.width());
    if (r.y() + r.height() > screenBottom) r.moveTop(screenBottom - r.height());
    form->setGeometry(r);
  } else {
    CenterForm(form);
  }
  if (placement.Maximized) form->setWindowState(form->windowState() | Qt::WindowMaximized);
  return SaveFormPlacement(form);
}

void PopupUnderButton(QWidget* button, QMenu* menu) {
  if (button == nullptr || menu == nullptr) return;
  menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}
