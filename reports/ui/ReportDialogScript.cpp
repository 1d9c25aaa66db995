#include "reports/ui/ReportDialogScript.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QPrinterInfo>

namespace {

TReportDialogScript*& CurrentScript() {
  static TReportDialogScript* script = nullptr;
  return script;
}

// "HTM Document|*.htm" as a Qt name filter: "HTM Document (*.htm)".
QString NameFilter(const QString& filter) {
  const qsizetype bar = filter.indexOf(QLatin1Char('|'));
  if (bar < 0) return filter;
  return filter.left(bar) + QStringLiteral(" (") + filter.mid(bar + 1) + QLatin1Char(')');
}

}  // namespace

QString RunSaveFileDialog(QWidget* parent, const TSaveFileRequest& request) {
  if (TReportDialogScript* script = CurrentScript()) return script->Save(request);
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The caller asks before a file is replaced, in the program's own message box.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilter(NameFilter(request.Filter));
  if (!request.Directory.isEmpty()) dialog.setDirectory(request.Directory);
  dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

QColor RunColorDialog(QWidget* parent, const QColor& initial) {
  if (TReportDialogScript* script = CurrentScript()) return script->Color(initial);
  const QColor chosen = QColorDialog::getColor(initial, parent);
  return chosen.isValid() ? chosen : initial;
}

bool PrintersInstalled() {
  if (TReportDialogScript* script = CurrentScript()) return script->Printers();
  return !QPrinterInfo::availablePrinterNames().isEmpty();
}

TReportDialogScript::TReportDialogScript() : previous_(CurrentScript()) { CurrentScript() = this; }

TReportDialogScript::~TReportDialogScript() { CurrentScript() = previous_; }

QString TReportDialogScript::Save(const TSaveFileRequest& request) {
  saveRequests_.push_back(request);
  if (saves_.empty()) return QString();
  QString path = saves_.front();
  saves_.pop_front();
  return path;
}

QColor TReportDialogScript::Color(const QColor& initial) {
  colorRequests_.push_back(initial);
  if (colors_.empty()) return initial;
  const QColor color = colors_.front();
  colors_.pop_front();
  return color.isValid() ? color : initial;
}

bool TReportDialogScript::Printers() {
  ++printerChecks_;
  return printers_;
}
