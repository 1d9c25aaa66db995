#include "reports/StatusFontMeasure.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

QFont TStatusFontMeasure::Font() {
  QFont font(QStringLiteral("System"));
  font.setPixelSize(13);
  return font;
}

int TStatusFontMeasure::ScreenPixelsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}
