// IndexRebuild: the work behind the "Rebuild Indexes" progress window, without the
// window: throws the index file away, packs the table when asked, builds the five tags
// again and puts the filter and order back.
#pragma once

#include <QString>
#include <functional>

#include "store/xbase/Status.h"

class TodoTable;

class IndexRebuild {
 public:
  // Captions of the phases, as the progress window shows them.
  static constexpr char kPackingCaption[] = "Permanently removing deleted tasks";
  static constexpr char kIndexingCaption[] = "Rebuilding indexes";

  explicit IndexRebuild(TodoTable& table) : table_(table) {}

  // Receives the caption of the phase that starts ("" before the first).
  void SetPhaseListener(std::function<void(const QString&)> listener) {
    phase_listener_ = std::move(listener);
  }
  // Receives every new gauge position (0..100), as computed by Progress.
  void SetGaugeListener(std::function<void(int)> listener) {
    gauge_listener_ = std::move(listener);
  }

  // Runs the rebuild on the table, which must be open exclusive. Whatever happens, the
  // filter expression in force before is set again, the order number selected again,
  // and the batch opened at the start is closed.
  [[nodiscard]] xbase::Status Run(bool pack_first);

  // Turns one progress report of the engine (a whole percentage) into the gauge position.
  // While packing the gauge shows the value itself. While tags are built the rises are
  // summed over the tags (a fall, as when the next tag starts at 0, adds nothing) and
  // the gauge shows a quarter of the sum, held within 0..100.
  int Progress(int percent);

  bool Packing() const { return packing_; }
  int ProgressTotal() const { return progress_total_; }

 private:
  void Phase(const QString& caption);
  void Gauge(int value);

  TodoTable& table_;
  std::function<void(const QString&)> phase_listener_;
  std::function<void(int)> gauge_listener_;
  bool packing_ = false;
  int progress_total_ = 0;
  int last_progress_ = 0;
};
