#include "reportengine/TabStops.h"

#include <QColor>

#include <algorithm>
#include <memory>

namespace {

const TTabList& EmptyTabs() {
  static const TTabList empty = std::make_shared<const std::vector<TTabStop>>();
  return empty;
}

}  // namespace

TTabStops::TTabStops() : tabs_(EmptyTabs()) {}

void TTabStops::Add(double pos, TPrintJustify justify, double width, double margin,
                    int borders, int shade, double units_factor, double first_pos) {
  TTabStop stop;
  if (pos < 0) {
    stop.Pos = tabs_->empty() ? first_pos : tabs_->back().Pos + tabs_->back().Width;
  } else {
    stop.Pos = pos / units_factor;
  }
  stop.Justify = justify == pjNone ? pjLeft : justify;
  if (width > 0) {
    stop.Width = width / units_factor;
    stop.Margin = margin / 100.0;
    stop.Border = borders & kBoxLineAll;
    stop.Shade = std::clamp(shade, 0, 100);
  }
  auto copy = std::make_shared<std::vector<TTabStop>>(*tabs_);
  copy->push_back(stop);
  tabs_ = std::move(copy);
}

void TTabStops::Clear() {
  tabs_ = EmptyTabs();
  ResetIndex();
}

void TTabStops::Save(int index) { saved_[index] = tabs_; }

void TTabStops::Restore(int index) {
  const auto found = saved_.find(index);
  tabs_ = found == saved_.end() ? EmptyTabs() : found->second;
  ResetIndex();
}

const TTabStop* TTabStops::Advance() {
  if (index_ >= static_cast<int>(tabs_->size())) {
    active_ = false;
    return nullptr;
  }
  ++index_;
  active_ = true;
  return &(*tabs_)[index_ - 1];
}

const TTabStop* TTabStops::StopAt(int n) const {
  const int index = n == 0 ? index_ : n;
  if (index < 1 || index > static_cast<int>(tabs_->size())) return nullptr;
  return &(*tabs_)[index - 1];
}

void TTabStops::SetShade(int percent) { shade_ = std::clamp(percent, 0, 100); }

int TTabStops::ShadeFor(const TTabStop& stop, int requested) const {
  if (requested != kTabDefault) return requested;
  return stop.Shade > 0 ? stop.Shade : shade_;
}

TColor TTabStops::ShadeToColor(int shade) const {
  const int s = std::clamp(shade, 0, 100);
  const QColor base = ColorToQColor(shade_color_);
  const auto mix = [s](int c) { return c + (100 - s) * (255 - c) / 100; };
  return QColorToColor(QColor(mix(base.red()), mix(base.green()), mix(base.blue())));
}
