#include "app/RebuildInd.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include "core/AppHelpers.h"
#include "widgets/FormPlacement.h"
#include "store/IndexRebuild.h"
#include "store/TodoTable.h"
#include "widgets/Gauge.h"

TRebuildInd::TRebuildInd(TodoTable& table, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), table_(table) {
  setObjectName(QStringLiteral("RebuildInd"));
  setWindowTitle(QStringLiteral("Rebuild Indexes"));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  setFont(font);
  setFixedSize(kClientWidth, kClientHeight);
  setModal(true);

  Gauge1 = new TGauge(this);
  Gauge1->setObjectName(QStringLiteral("Gauge1"));
  Gauge1->setGeometry(15, 30, 258, 43);
  Gauge1->SetRange(0, 100);
  Gauge1->SetProgress(0);
  WhatAmIDoing = new QLabel(this);
  WhatAmIDoing->setObjectName(QStringLiteral("WhatAmIDoing"));
  WhatAmIDoing->setGeometry(15, 85, 258, 20);
  WhatAmIDoing->setAlignment(Qt::AlignCenter);
  WhatAmIDoing->hide();
}

void TRebuildInd::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    // Starts once the window is on screen, so that it paints before the work.
    QTimer::singleShot(0, this, &TRebuildInd::FormActivate);
  }
}

void TRebuildInd::FormActivate() {
  if (WorkDone || running_) return;
  running_ = true;
  started_ = true;
  Gauge1->show();
  WhatAmIDoing->setText(QString());
  WhatAmIDoing->show();

  IndexRebuild rebuild(table_);
  rebuild.SetPhaseListener([this](const QString& caption) {
    WhatAmIDoing->setText(caption);
    Packing = caption == QLatin1String(IndexRebuild::kPackingCaption);
    QCoreApplication::processEvents();
  });
  rebuild.SetGaugeListener([this](int value) {
    Gauge1->SetProgress(value);
    QCoreApplication::processEvents();
  });
  result_ = rebuild.Run(PackFirst);
  Packing = false;
  Gauge1->hide();
  Gauge1->SetProgress(0);

  WorkDone = true;
  // Closes through the event queue, as the window's own close message.
  QMetaObject::invokeMethod(this, &QDialog::accept, Qt::QueuedConnection);
}

void TRebuildInd::closeEvent(QCloseEvent* event) {
  if (WorkDone) {
    QDialog::closeEvent(event);
  } else {
    event->ignore();
  }
}

void TRebuildInd::keyPressEvent(QKeyEvent* event) {
  // No key does anything here: Escape must not close the window while it works.
  event->accept();
}

void TRebuildInd::reject() {
  if (WorkDone) QDialog::reject();
}

bool RunRebuild(TodoTable& table, bool pack_first, QWidget* parent, xbase::Status* outcome) {
  TRebuildInd form(table, parent);
  CenterForm(&form);
  form.PackFirst = pack_first;
  form.exec();
  const bool built = form.WorkDone && form.Result().ok();
  if (outcome != nullptr) {
    *outcome = form.WorkDone ? form.Result() : xbase::Status::State("the rebuild did not run");
  }
  return built;
}

QString RebuildFailureText(const xbase::Status& outcome) {
  QString cause = QString::fromStdString(outcome.message());
  if (!cause.isEmpty()) cause[0] = cause[0].toUpper();
  return QStringLiteral("Unable to rebuild the indexes.") + QLatin1Char('\r') + cause;
}
