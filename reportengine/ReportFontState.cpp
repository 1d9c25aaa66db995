#include "reportengine/ReportFontState.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

// Limit of device fonts (heights from report files are not trusted).
constexpr int kMaxFontPixels = 32767;

}  // namespace

// ---- Setters ----------------------------------------------------------------------------------

bool TReportFontState::Change(const std::function<void(TFontRecord&)>& change) {
  TFontRecord font = font_;
  change(font);
  if (font == font_) return false;
  font_ = std::move(font);
  return true;
}

bool TReportFontState::SetFont(const QString& name, double size) {
  return Change([&](TFontRecord& f) {
    f.Name = name.left(60);
    if (size > 0) f.Height = size / 72.0;
    f.Color = clBlack;
    f.Pitch = fpDefault;
    f.Bold = f.Underline = f.Italic = f.StrikeOut = f.Superscript = f.Subscript = false;
    f.Rotation = 0;
    f.Align = faBaseline;
  });
}

bool TReportFontState::Restore(const TFontRecord& font) {
  return Change([&](TFontRecord& f) {
    f = font;
    f.Name = f.Name.left(60);
    f.Rotation = ((f.Rotation % 360) + 360) % 360;
  });
}

bool TReportFontState::SetName(const QString& name) {
  return Change([&](TFontRecord& f) { f.Name = name.left(60); });
}

bool TReportFontState::SetColor(TColor color) {
  return Change([&](TFontRecord& f) { f.Color = color; });
}

bool TReportFontState::SetPitch(TFontPitch pitch) {
  return Change([&](TFontRecord& f) { f.Pitch = pitch; });
}

bool TReportFontState::SetSize(double points) {
  if (!(points > 0)) return false;
  return Change([&](TFontRecord& f) { f.Height = points / 72.0; });
}

bool TReportFontState::SetHeight(double inches) {
  return Change([&](TFontRecord& f) { f.Height = inches; });
}

bool TReportFontState::SetBold(bool on) {
  return Change([&](TFontRecord& f) { f.Bold = on; });
}

bool TReportFontState::SetUnderline(bool on) {
  return Change([&](TFontRecord& f) { f.Underline = on; });
}

bool TReportFontState::SetItalic(bool on) {
  return Change([&](TFontRecord& f) { f.Italic = on; });
}

bool TReportFontState::SetStrikeOut(bool on) {
  return Change([&](TFontRecord& f) { f.StrikeOut = on; });
}

bool TReportFontState::SetSuperscript(bool on) {
  return Change([&](TFontRecord& f) {
    f.Superscript = on;
    if (on) f.Subscript = false;
  });
}

bool TReportFontState::SetSubscript(bool on) {
  return Change([&](TFontRecord& f) {
    f.Subscript = on;
    if (on) f.Superscript = false;
  });
}

bool TReportFontState::SetRotation(int degrees) {
  return Change([&](TFontRecord& f) { f.Rotation = ((degrees % 360) + 360) % 360; });
}

bool TReportFontState::SetAlign(TFontAlign align) {
  return Change([&](TFontRecord& f) { f.Align = align; });
}

// ---- Change notices ---------------------------------------------------------------------------

bool TReportFontState::NoticeDue() {
  if (change_depth_ > 0) {
    change_pending_ = true;
    return false;
  }
  change_pending_ = false;
  return true;
}

bool TReportFontState::EndChange() {
  if (change_depth_ > 0) --change_depth_;
  return change_depth_ == 0 && change_pending_ && NoticeDue();
}

// ---- Realized fonts ---------------------------------------------------------------------------

const TRealizedFont& TReportFontState::Realize(
    double ydpi, double zoom, const std::function<QPaintDevice*()>& metrics_device) {
  TFontRecord key = font_;
  key.Color = clBlack;  // colour and alignment are applied when drawing
  key.Align = faBaseline;
  const double full =
      std::min(ydpi * std::max(font_.Height, 1.0 / ydpi) * zoom / 100.0, double{kMaxFontPixels});
  int pixels = static_cast<int>(std::lround(full));
  if (font_.Superscript || font_.Subscript) pixels = static_cast<int>(std::lround(full / 2));
  // Heights can come from a report file: keep the device font within what a font engine
  // renders.
  pixels = std::clamp(pixels, 1, kMaxFontPixels);

  // The device font depends on the height only through its pixel size: heights that
  // round alike share one entry.
  key.Height = 0;
  std::string index_key = key.Name.toStdString();
  index_key.push_back('\0');
  const int64_t numbers[] = {key.Pitch, key.Bold, key.Underline, key.Italic, key.StrikeOut, key.Superscript,
                             key.Subscript, key.Rotation, pixels};
  for (const int64_t n : numbers) index_key += std::to_string(n) + ',';
  index_key.append(reinterpret_cast<const char*>(&zoom), sizeof zoom);
  if (const auto found = index_.find(index_key); found != index_.end()) {
    if (found->second != realized_.begin()) {
      realized_.splice(realized_.begin(), realized_, found->second);
    }
    return realized_.front();
  }
  if (realized_.size() >= static_cast<size_t>(kMaxRealized)) {
    index_.erase(realized_.back().IndexKey);
    realized_.pop_back();
  }
  ++created_;

  TRealizedFont realized;
  realized.IndexKey = index_key;
  realized.Key = key;
  realized.PixelHeight = pixels;
  realized.Zoom = zoom;
  QFont& qfont = realized.Font;
  qfont.setFamily(font_.Name);
  qfont.setPixelSize(pixels);
  qfont.setWeight(font_.Bold ? QFont::Bold : QFont::Normal);
  qfont.setItalic(font_.Italic);
  qfont.setUnderline(font_.Underline);
  qfont.setStrikeOut(font_.StrikeOut);
  if (font_.Pitch == fpFixed) {
    qfont.setFixedPitch(true);
    qfont.setStyleHint(QFont::TypeWriter);
  }
  // Unhinted outlines scale linearly, so widths measured on one device hold on another.
  qfont.setHintingPreference(QFont::PreferNoHinting);

  const QFontMetricsF metrics(qfont, metrics_device());
  const double per_inch = ydpi * zoom / 100.0;
  realized.Ascent = metrics.ascent() / per_inch;
  realized.Descent = metrics.descent() / per_inch;
  realized.Leading = std::max(0.0, metrics.ascent() + metrics.descent() - pixels) / per_inch;
  realized_.push_front(std::move(realized));
  index_.emplace(std::move(index_key), realized_.begin());
  return realized_.front();
}

void TReportFontState::Free() {
  index_.clear();
  realized_.clear();
}
