// TTabStops: the tab stops of the page model, a part of TBaseReport. It keeps the current
// list of stops (shared with saved copies, copied on change), the lists saved under an index,
// the current stop and whether the next text goes to it, the report-wide justification and the
// shading settings. Lengths are inches. Drawing a stop's cell is the report's (Tab).
#pragma once

#include <map>
#include <vector>

#include "reportengine/ReportTypes.h"

class TTabStops {
 public:
  TTabStops();

  const std::vector<TTabStop>& List() const { return *tabs_; }
  // Appends a stop at `pos` (negative: after the previous stop, or at `first_pos` inches for
  // the first one) with a justification (pjNone is taken as pjLeft), width, margin (hundredths
  // of an inch), borders (kBoxLine flags) and shade (percent); the last four only for
  // width > 0. Position and width are in units of `units_factor` per inch.
  void Add(double pos, TPrintJustify justify, double width, double margin, int borders,
           int shade, double units_factor, double first_pos);
  // Empties the list and forgets the current stop.
  void Clear();
  // Keeps the list under `index` / makes the list kept under `index` current (empty when
  // none was kept), forgetting the current stop.
  void Save(int index);
  void Restore(int index);

  // Index of the current stop (0: none since the line began).
  int Index() const { return index_; }
  // Forgets the current stop: the next Advance goes to the first one.
  void ResetIndex() {
    index_ = 0;
    active_ = false;
  }
  // Makes the next stop current and returns it; null (the text staying at the cursor) past
  // the last stop.
  const TTabStop* Advance();
  // Whether the next text goes to the current stop; that stop, taken by the text, is then no
  // longer active.
  bool Active() const { return active_; }
  const TTabStop& TakeActive() {
    active_ = false;
    return (*tabs_)[index_ - 1];
  }
  // Stop n (1-based; 0 = the current stop); null when there is none.
  const TTabStop* StopAt(int n) const;

  // Justification for every stop; pjNone: each stop's own.
  TPrintJustify Justify() const { return justify_; }
  void SetJustify(TPrintJustify justify) { justify_ = justify; }
  // The justification text at `stop` takes.
  TPrintJustify JustifyFor(const TTabStop& stop) const {
    return justify_ != pjNone ? justify_ : stop.Justify;
  }

  // Shade percent of cells whose stop has none (0..100).
  int Shade() const { return shade_; }
  void SetShade(int percent);
  // The shade a cell is drawn with: `requested` unless it is kTabDefault, else the stop's own
  // or the report's.
  int ShadeFor(const TTabStop& stop, int requested) const;
  TColor ShadeColor() const { return shade_color_; }
  void SetShadeColor(TColor color) { shade_color_ = color; }
  // Colour for a shade percent (limited to 100) over ShadeColor, mixed with white.
  TColor ShadeToColor(int shade) const;

 private:
  TTabList tabs_;
  std::map<int, TTabList> saved_;
  int index_ = 0;
  bool active_ = false;
  TPrintJustify justify_ = pjNone;
  int shade_ = 0;
  TColor shade_color_ = clBlack;
};
