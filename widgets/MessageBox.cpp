#include "widgets/MessageBox.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLayout>

#include <algorithm>

#include "widgets/DialogFrame.h"

namespace {

TScriptedResponder*& ActiveResponder() {
  static TScriptedResponder* responder = nullptr;
  return responder;
}

// The buttons of a set, in the order of the enumeration.
std::vector<QMessageBox::StandardButton> ButtonsOf(QMessageBox::StandardButtons buttons) {
  std::vector<QMessageBox::StandardButton> list;
  for (unsigned bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1)
    if (buttons.testFlag(static_cast<QMessageBox::StandardButton>(bit)))
      list.push_back(static_cast<QMessageBox::StandardButton>(bit));
  return list;
}

// Message texts use a carriage return for a new line; a label wants line feeds.
QString ForDisplay(const QString& text) {
  QString shown = text;
  shown.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

// A message box at least as wide as its caption needs in the window system's title bar:
// sized by its text alone, a short message ("Done!") would cut its own caption off.
class TTitledMessageBox : public QMessageBox {
 public:
  TTitledMessageBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons, QWidget* parent)
      : QMessageBox(icon, title, text, buttons, parent) {
    SetFixedDialogButtons(this);
  }

 protected:
  bool event(QEvent* event) override {
    const bool handled = QMessageBox::event(event);
    // The box fixes its size from its text when it shows and whenever its layout changes.
    if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest) WidenForTitle();
    return handled;
  }

 private:
  // Reads the size the box fixed for its text (QMessageBox sets it when it shows and
  // when its layout changes, just before this runs), never width() and height(): those
  // follow the window system's reports of the window's geometry, which lag behind under
  // a window manager (a box still reported at the new X window's 100 x 30 was once fixed
  // at 192 x 30, its text cut away).
  void WidenForTitle() {
    const QSize fixed = minimumSize();
    if (!isVisible() || fixed.isEmpty()) return;
    const int needed = MinimumWidthForTitle(windowTitle());
    if (fixed.width() >= needed) return;
    const int height = layout() != nullptr && layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(needed)
                                                                             : fixed.height();
    setFixedSize(needed, std::max(height, fixed.height()));
  }
};

}  // namespace

int MinimumWidthForTitle(const QString& title) {
  QFont font = QApplication::font();
  font.setBold(true);
  const QFontMetrics metrics(font);
  // The caption, then room for four title-bar buttons (window managers may draw the
  // window icon, minimise and maximise beside close whatever the window asks for) and
  // the frame's edges.
  const int buttons = 4 * (metrics.height() + 8);
  return metrics.horizontalAdvance(title) + buttons + 24;
}

QMessageBox::StandardButton ShowMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
  if (buttons == QMessageBox::NoButton) buttons = QMessageBox::Ok;
  if (TScriptedResponder* responder = ActiveResponder()) return responder->Respond(icon, title, text, buttons);

  TTitledMessageBox box(icon, title, ForDisplay(text), buttons, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
  const int result = box.exec();
  const auto answer = static_cast<QMessageBox::StandardButton>(result);
  if (buttons.testFlag(answer)) return answer;
  // Closed without a button (Escape on a box that has no escape button).
  return buttons.testFlag(QMessageBox::No) ? QMessageBox::No
         : buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
                                                  : ButtonsOf(buttons).front();
}

bool ConfirmBox(const QString& message) {
  return ShowMessageBox(QMessageBox::Question, QString::fromLatin1(kProgramTitle), message,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void InfoBox(const QString& message) {
  while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
  ShowMessageBox(QMessageBox::Information, QStringLiteral("Information"), message, QMessageBox::Ok);
}

void ErrorBox(const QString& message) {
  QString text = message;
  if (!text.isEmpty() && text.back() > QLatin1Char('.')) text += QLatin1Char('.');
  ShowMessageBox(QMessageBox::Critical, QString::fromLatin1(kProgramTitle), text, QMessageBox::Ok);
}

TScriptedResponder::TScriptedResponder() : previous_(ActiveResponder()) { ActiveResponder() = this; }

TScriptedResponder::~TScriptedResponder() {
  // Responders end in the reverse order of their creation; unlink this one wherever it is.
  if (ActiveResponder() == this) ActiveResponder() = previous_;
}

void TScriptedResponder::Answer(QMessageBox::StandardButton answer) { answers_.push_back(answer); }

TMessageRecord TScriptedResponder::Last() const { return messages_.empty() ? TMessageRecord{} : messages_.back(); }

QStringList TScriptedResponder::Texts() const {
  QStringList texts;
  for (const TMessageRecord& m : messages_) texts << m.Text;
  return texts;
}

QMessageBox::StandardButton TScriptedResponder::Respond(QMessageBox::Icon icon, const QString& title,
                                                        const QString& text, QMessageBox::StandardButtons buttons) {
  TMessageRecord record;
  record.Icon = icon;
  record.Title = title;
  record.Text = text;
  record.Buttons = buttons;
  const std::vector<QMessageBox::StandardButton> offered = ButtonsOf(buttons);
  if (offered.size() == 1) {
    record.Answer = offered.front();
  } else if (!answers_.empty()) {
    record.Answer = answers_.front();
    answers_.pop_front();
  } else {
    record.Unscripted = true;
    record.Answer = defaultAnswer_;
  }
  messages_.push_back(record);
  return record.Answer;
}
