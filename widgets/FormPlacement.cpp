#include "widgets/FormPlacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QMargins>
#include <QMenu>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <utility>

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

// The part of the screen that windows may use (without panels), on the window's screen.
QRect AvailableRect(const QWidget* window) {
  const QScreen* screen = window->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Lets the layout set the size the window will show at, as showing it would.
void SettleSize(QWidget* window) {
  window->ensurePolished();
  if (QLayout* layout = window->layout()) layout->activate();
  if (!window->testAttribute(Qt::WA_Resized) && !window->isVisible()) window->adjustSize();
}

// The window system's frame around a window (none before the window is first shown).
QMargins FrameMarginsOf(const QWidget* window) {
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                  frame.bottom() - client.bottom());
}

// The frame a window will get: its own once shown, else as large as the main window's
// (the one frame the program can see), none when that is not shown either.
QMargins ExpectedFrameMargins(const QWidget* window) {
  const QMargins own = FrameMarginsOf(window);
  if (!own.isNull()) return own;
  const QWidget* main = FindMainScreen();
  if (main == nullptr || main == window || !main->isVisible()) return QMargins();
  return FrameMarginsOf(main);
}

// The top-left corner that keeps `frame` on the screen of `on` (the left and top edges
// win when it is larger than the screen).
QPoint InsideScreen(const QRect& frame, const QWidget* on) {
  const QRect available = AvailableRect(on);
  QPoint topLeft = frame.topLeft();
  topLeft.setX(std::max(available.left(), std::min(topLeft.x(), available.left() + available.width() - frame.width())));
  topLeft.setY(std::max(available.top(), std::min(topLeft.y(), available.top() + available.height() - frame.height())));
  return topLeft;
}

TPlacementStore& InstalledStore() {
  static TPlacementStore store;
  return store;
}

}  // namespace

void SetPlacementStore(TPlacementStore store) { InstalledStore() = std::move(store); }

void CenterForm(QWidget* form) {
  if (form == nullptr) return;
  SettleSize(form);
  QWidget* main = IsMainScreen(form) ? nullptr : FindMainScreen();
  const QSize own = form->size().grownBy(ExpectedFrameMargins(form));
  QPoint topLeft;
  if (main == nullptr || main->isMaximized()) {
    const QRect screen = ScreenRect(form);
    topLeft = QPoint(screen.x() + (screen.width() - own.width()) / 2, screen.y() + (screen.height() - own.height()) / 2);
  } else {
    const QRect over = main->frameGeometry();
    topLeft = QPoint(over.x() + (over.width() - own.width()) / 2, over.y() + (over.height() - own.height()) / 2);
  }
  form->move(InsideScreen(QRect(topLeft, own), main != nullptr ? main : form));
  const Qt::WindowFlags flags = form->windowFlags();
  if (flags.testFlag(Qt::WindowMaximizeButtonHint) && !flags.testFlag(Qt::WindowSystemMenuHint)) {
    const bool visible = form->isVisible();
    form->setWindowFlags(flags | Qt::WindowSystemMenuHint);
    if (visible) form->show();  // changing the flags hides a window
  }
}

void KeepOnScreen(QWidget* window) {
  if (window == nullptr) return;
  SettleSize(window);
  const QRect available = AvailableRect(window);
  const QMargins frame = ExpectedFrameMargins(window);
  // Larger than the screen: made to fit, frame included.
  const QSize room(available.width() - frame.left() - frame.right(), available.height() - frame.top() - frame.bottom());
  if (window->width() > room.width() || window->height() > room.height())
    window->resize(std::min(window->width(), std::max(room.width(), window->minimumWidth())),
                   std::min(window->height(), std::max(room.height(), window->minimumHeight())));
  const QSize outer = window->size().grownBy(frame);
  window->move(InsideScreen(QRect(window->frameGeometry().topLeft(), outer), window));
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
  TWindowPlacement placement;
  placement.Left = normal.x();
  placement.Top = normal.y();
  placement.Right = normal.x() + normal.width();
  placement.Bottom = normal.y() + normal.height();
  placement.Maximized = form->isMaximized();
  const TPlacementStore& store = InstalledStore();
  if (!store.Save) return true;  // no store installed: nothing is kept
  const QString refused = store.Save(ClassNameOf(form), ScreenPixelsPerInch(), placement);
  if (refused.isEmpty()) return true;
  ErrorBox(refused);
  return false;
}

bool RestoreFormPlacement(QWidget* form) {
  if (form == nullptr) return false;
  const TPlacementStore& store = InstalledStore();
  const TWindowPlacement placement = store.Load ? store.Load(ClassNameOf(form), ScreenPixelsPerInch(), form->isMaximized())
                                                : TWindowPlacement{};
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
