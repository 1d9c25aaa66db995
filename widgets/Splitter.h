#pragma once

#include <QSplitter>

// The splitter between the task grid and the notes pane: panes stacked top
// to bottom, an 8-pixel bar with the classic raised look, and a bar position
// that means the height of the upper pane in pixels. When the splitter
// grows or shrinks, the lower pane takes up the difference, so the upper pane
// keeps the height the user gave it.
class TSplitter : public QSplitter {
  Q_OBJECT

 public:
  static constexpr int kBarWidth = 8;

  explicit TSplitter(QWidget* parent = nullptr);
  explicit TSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

  // Size of the first pane along the splitter's orientation (the height of
  // the upper pane for the stacked layout). Before the splitter has been laid
  // out, this is the position last asked for.
  int BarPosition() const;
  // Moves the bar so that the first pane gets `position` pixels, held within
  // what the panes' minimum sizes allow. May be called before the splitter is
  // shown; the position then applies when it is first laid out.
  void SetBarPosition(int position);

 protected:
  QSplitterHandle* createHandle() override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void childEvent(QChildEvent* event) override;

 private:
  void ApplyStretch();
  void ApplyWantedPosition();

  int wantedPosition_ = -1;  // a position asked for before the first layout
};
