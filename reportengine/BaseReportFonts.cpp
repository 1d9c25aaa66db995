// TBaseReport, fonts: the public font setters over the TReportFontState part with their change
// notices (FontChanged), the font realized for the output device and the device it is
// measured on.
#include <QPaintDevice>

#include <algorithm>
#include <cmath>

#include "reportengine/BaseReport.h"

void TBaseReport::NotifyFontChange() {
  if (fonts_.NoticeDue()) FontChanged();
}

void TBaseReport::EndFontChange() {
  if (fonts_.EndChange()) FontChanged();
}

void TBaseReport::SetFont(const QString& name, double size) {
  BeginFontChange();
  if (fonts_.SetFont(name, size)) NotifyFontChange();
  EndFontChange();
}

void TBaseReport::RestoreFont(const TFontRecord& font) {
  BeginFontChange();
  if (fonts_.Restore(font)) NotifyFontChange();
  EndFontChange();
}

void TBaseReport::SetFontName(const QString& name) {
  if (fonts_.SetName(name)) NotifyFontChange();
}

void TBaseReport::SetFontColor(TColor color) {
  if (fonts_.SetColor(color)) NotifyFontChange();
}

void TBaseReport::SetFontPitch(TFontPitch pitch) {
  if (fonts_.SetPitch(pitch)) NotifyFontChange();
}

void TBaseReport::SetFontSize(double points) {
  if (fonts_.SetSize(points)) NotifyFontChange();
}

double TBaseReport::FontHeight() const {
  return ToUnits(std::max(Font().Height, 1.0 / geometry_.YDPI));
}

void TBaseReport::SetFontHeight(double value) {
  const double inches = std::max(ToInches(value), 1.0 / geometry_.YDPI);
  if (fonts_.SetHeight(inches)) NotifyFontChange();
}

void TBaseReport::SetBold(bool on) {
  if (fonts_.SetBold(on)) NotifyFontChange();
}

void TBaseReport::SetUnderline(bool on) {
  if (fonts_.SetUnderline(on)) NotifyFontChange();
}

void TBaseReport::SetItalic(bool on) {
  if (fonts_.SetItalic(on)) NotifyFontChange();
}

void TBaseReport::SetStrikeOut(bool on) {
  if (fonts_.SetStrikeOut(on)) NotifyFontChange();
}

void TBaseReport::SetSuperscript(bool on) {
  if (fonts_.SetSuperscript(on)) NotifyFontChange();
}

void TBaseReport::SetSubscript(bool on) {
  if (fonts_.SetSubscript(on)) NotifyFontChange();
}

void TBaseReport::SetFontRotation(int degrees) {
  if (fonts_.SetRotation(degrees)) NotifyFontChange();
}

void TBaseReport::SetFontAlign(TFontAlign align) {
  if (fonts_.SetAlign(align)) NotifyFontChange();
}

// ---- Realized fonts ---------------------------------------------------------------------------

const TRealizedFont& TBaseReport::RealizedFont() {
  return fonts_.Realize(geometry_.YDPI, zoom_, [this] { return MeasuringDevice(); });
}

void TBaseReport::FreeFonts() { fonts_.Free(); }

QPaintDevice* TBaseReport::MeasuringDevice() {
  QPaintDevice* device = MetricsDevice();
  if (!device) device = &MetricsImage();
  return device;
}

QImage& TBaseReport::MetricsImage() {
  if (metrics_image_.isNull()) {
    metrics_image_ = QImage(1, 1, QImage::Format_RGB32);
    metrics_image_.setDotsPerMeterX(static_cast<int>(std::lround(geometry_.XDPI / 0.0254)));
    metrics_image_.setDotsPerMeterY(static_cast<int>(std::lround(geometry_.YDPI / 0.0254)));
  }
  return metrics_image_;
}
