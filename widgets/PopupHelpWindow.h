#pragma once

#include <QColor>
#include <QFrame>
#include <QRect>
#include <QString>

// The small box that shows one control's what's-this text: the text wrapped
// to at most the given width, and below it an optional link line. Any key or
// click closes it; F1 or a click on the link asks for more help first.
class TPopupHelpWindow : public QFrame {
  Q_OBJECT

 public:
  explicit TPopupHelpWindow(QWidget* parent = nullptr);

  // Lays out `text` (lines separated by '\n'; empty lines kept) no wider than
  // `maxWidth` pixels, frame included. An empty `linkText` shows no link.
  void SetContent(const QString& text, const QString& linkText, int maxWidth);
  void SetColor(const QColor& color);

  QString Text() const { return text_; }
  QString LinkText() const { return linkText_; }

  // Shows the box with its top-left corner at `globalPos`, moved as little
  // as needed to keep it on the screen that holds that point.
  void ShowAt(const QPoint& globalPos);

  QSize sizeHint() const override;

 signals:
  void linkActivated();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  static constexpr int kMargin = 6;

  QString text_;
  QString linkText_;
  QRect textRect_;
  QRect linkRect_;
  QSize size_;
};
