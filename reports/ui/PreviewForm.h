// TPreviewForm: the preview window. It shows a recorded report one page at a time through
// its TFilePreview, with zoom and page buttons along the bottom, zooms in with a left click
// and out with any other, scrolls with Up and Down, and keeps its size and position in
// TODO.INI. It only displays; there is no print command here.
#pragma once

#include <QDialog>

#include <memory>

#include "reportengine/ui/FilePreview.h"

class QIODevice;
class QPushButton;
class QScrollArea;
class QToolButton;
class QWidget;
class TWhatsThisButton;

class TPreviewForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 1017;
  static constexpr int kClientWidth = 608;
  static constexpr int kClientHeight = 424;
  static constexpr int kBarHeight = 41;
  // Initial zoom modes: the whole page, the page width; any other value is percent.
  static constexpr int kZoomWholePage = 1;
  static constexpr int kZoomPageWidth = 2;

  explicit TPreviewForm(QWidget* parent = nullptr);
  ~TPreviewForm() override;

  // The recorded report (the caller's stream, read from position 0).
  void SetStream(QIODevice* stream) { FilePreview1->SetStream(stream); }
  int InitialZoom() const { return initialZoom_; }
  void SetInitialZoom(int mode) { initialZoom_ = mode; }

  // ---- handlers
  // Creation: the magnifier pointer, zoom mode 1, the placement restored.
  void FormCreate();
  // First activation only: starts the preview, applies the initial zoom, hides the page
  // buttons of a one-page report.
  void FormActivate();
  // "Preview Page n of m ( z% )".
  void FilePreview1PageChange();
  void FilePreview1ZoomChange();
  // Left button zooms in, any other zooms out.
  void ScrollBox1MouseDown(Qt::MouseButton button);
  // Up and Down scroll by the scroll bar's step; true when the key was one of them.
  bool FormKeyDown(int key);
  // Finishes an active preview and saves the placement.
  void FormClose();

  // The caption for the current page and zoom.
  QString PageCaption() const;

  // ---- controls, owned through Qt parenthood; object names as the members
  QScrollArea* ScrollBox1 = nullptr;
  QWidget* ButtonBar = nullptr;
  QPushButton* ReturnButton = nullptr;
  QToolButton* sbZoomIn = nullptr;
  QToolButton* sbZoomOut = nullptr;
  QToolButton* sbZoomPageWidth = nullptr;
  QToolButton* sbZoomPage = nullptr;
  QToolButton* zbZoom100 = nullptr;
  QToolButton* sbFirstPage = nullptr;
  QToolButton* sbPrevPage = nullptr;
  QToolButton* sbNextPage = nullptr;
  QToolButton* sbLastPAge = nullptr;
  QPushButton* Helpbutton = nullptr;
  TWhatsThisButton* MouseHelpButton = nullptr;
  std::unique_ptr<TFilePreview> FilePreview1;
  // Kept with the window but unused: the window only displays, it never prints.
  std::unique_ptr<TFilePrinter> FilePrinter1;

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LayoutBar();
  void WatchPageImage();

  int initialZoom_ = kZoomWholePage;
  bool firstActivation_ = true;
  bool closed_ = false;
};
