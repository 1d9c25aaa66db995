#pragma once

#include <QColor>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include "widgets/PopupHelpWindow.h"

class QMenu;
class QWidget;

// The pop-up help component. While one exists it answers every what's-this
// request of the application (the pointer-help mode of the "?" buttons and
// the "What's this?" menu) with its own small pop-up: the control's
// what's-this text, at most MaxWidth pixels wide, and a link line that opens
// the help window at the control's help context (see HelpContext.h).
// Controls without a text show nothing. One component serves all windows;
// the main window owns it.
class TWhatsThisPopup : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDefaultMaxWidth = 300;

  explicit TWhatsThisPopup(QObject* parent = nullptr);
  ~TWhatsThisPopup() override;

  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int width);  // held at 80 pixels or more

  // Shown under the text when the control has a help context.
  QString LinkText() const { return linkText_; }
  void SetLinkText(const QString& text) { linkText_ = text; }

  // Background of the pop-up; the tool-tip colour until set.
  QColor Color() const { return color_; }
  void SetColor(const QColor& color) { color_ = color; }

  // Shows the what's-this text of `control` with the pop-up's top-left corner
  // at `globalPos`. Returns false, showing nothing, when the control has no
  // text. A pop-up still open shows the new text instead.
  bool Popup(QWidget* control, const QPoint& globalPos);
  // As above, placed just below the control's middle.
  bool Popup(QWidget* control);

  // The pop-up on screen, or null.
  TPopupHelpWindow* Current() const { return current_; }

  // Gives `control` the one-item context menu "What's this?", which pops up
  // the control's text where the menu was opened.
  void AttachMenu(QWidget* control);
  // The shared "What's this?" menu (object name "WhatsThisMenu").
  QMenu* Menu() const { return menu_; }

  // Puts the pointer into what's-this mode: the next click on a control pops
  // up its text instead of acting.
  static void EnterWhatsThisMode();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int maxWidth_ = kDefaultMaxWidth;
  QString linkText_;
  QColor color_;
  QPointer<TPopupHelpWindow> current_;
  int context_ = 0;  // help context of the control shown
  QPointer<QWidget> menuControl_;
  QPoint menuPos_;
  QMenu* menu_ = nullptr;  // owned: deleted with the component
};
