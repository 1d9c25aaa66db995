#include "reportengine/ReportTypes.h"

#include <QGuiApplication>
#include <QPalette>

QColor ColorToQColor(TColor color) {
  if (color & clSystemFlag) {
    // The system colours a report can name, by their Windows index.
    const QPalette palette = QGuiApplication::palette();
    switch (color & 0xFF) {
      case 5: return palette.color(QPalette::Base);            // window
      case 8: return palette.color(QPalette::Text);            // window text
      case 15: return palette.color(QPalette::Button);         // button face
      case 16: return palette.color(QPalette::Mid);            // button shadow
      case 18: return palette.color(QPalette::ButtonText);     // button text
      case 20: return palette.color(QPalette::Light);          // button highlight
      case 13: return palette.color(QPalette::Highlight);      // highlight
      case 14: return palette.color(QPalette::HighlightedText);
      default: return QColor(Qt::black);
    }
  }
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

TColor QColorToColor(const QColor& color) {
  return static_cast<TColor>(color.red()) | (static_cast<TColor>(color.green()) << 8) |
         (static_cast<TColor>(color.blue()) << 16);
}
