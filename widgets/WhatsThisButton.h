#pragma once

#include <QIcon>
#include <QToolButton>

// The pointer-help button of the button bars: an arrow-and-question-mark
// glyph; a click puts the pointer into what's-this mode.
class TWhatsThisButton : public QToolButton {
  Q_OBJECT

 public:
  explicit TWhatsThisButton(QWidget* parent = nullptr);

  // The glyph, drawn at `size` pixels square; shared with other controls
  // that start what's-this mode.
  static QIcon Glyph(int size = 16);
};
