// TRebuildInd: the small modal window that rebuilds the task table's indexes (packing
// first when asked) as soon as it is shown, shows the engine's progress in its gauge,
// refuses to close while busy and closes itself when done.
#pragma once

#include <QDialog>

#include "store/xbase/Status.h"

class QLabel;
class TGauge;
class TodoTable;

class TRebuildInd : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 288;
  static constexpr int kClientHeight = 141;

  TRebuildInd(TodoTable& table, QWidget* parent = nullptr);

  // Set by the caller before the window is shown: pack before indexing.
  bool PackFirst = false;
  // True while the pack runs, false while tags are built.
  bool Packing = false;
  // The window may close only once this is set.
  bool WorkDone = false;

  TGauge* Gauge1 = nullptr;
  QLabel* WhatAmIDoing = nullptr;

  // Outcome of the work, once WorkDone.
  const xbase::Status& Result() const { return result_; }

  // The work: runs once, when the window is first activated.
  void FormActivate();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 public slots:
  void reject() override;

 private:
  TodoTable& table_;
  bool started_ = false;
  bool running_ = false;
  xbase::Status result_;
};

// Creates a TRebuildInd, centres it, shows it modally with `pack_first` and frees it.
// The table must be open exclusive. True when the indexes were built; otherwise
// `outcome` (when given) says which file failed and why.
bool RunRebuild(TodoTable& table, bool pack_first, QWidget* parent = nullptr, xbase::Status* outcome = nullptr);

// The message for a rebuild that failed with `outcome`: what was not done, then the
// file and the cause on a line of their own.
QString RebuildFailureText(const xbase::Status& outcome);
