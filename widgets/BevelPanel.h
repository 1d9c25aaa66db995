#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// A flat panel with a raised or lowered bevel, an optional caption and a
// colour of its own. It reports mouse clicks, so it serves as a clickable
// cell (the time dialog's hour and minute cells) or as a colour swatch (the
// report options' background colour). The panel may hold child controls.
class TBevelPanel : public QWidget {
  Q_OBJECT

 public:
  enum class TBevelCut { bvNone, bvLowered, bvRaised };

  explicit TBevelPanel(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);

  // Where the caption sits inside the bevel; centred by default.
  Qt::Alignment Alignment() const { return alignment_; }
  void SetAlignment(Qt::Alignment alignment);

  // Background colour; the button face of the palette until set.
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);

  // Caption colour; the button text of the palette until set.
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color);

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut cut);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut cut);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);  // values below 1 are taken as 1

  // A number the owner attaches (the hour or minute a cell stands for).
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  // Highlighted: the palette's highlight colours; otherwise the button-face
  // colours. Either call replaces Color and FontColor.
  bool Highlighted() const { return highlighted_; }
  void SetHighlighted(bool highlighted);

  // Room the bevels take on each side.
  int BorderSize() const;

 signals:
  // A left-button press and release both inside the panel.
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void DrawBevel(class QPainter& painter, QRect& rect, TBevelCut cut) const;

  QString caption_;
  Qt::Alignment alignment_ = Qt::AlignCenter;
  QColor color_;
  QColor fontColor_;
  bool colorSet_ = false;
  bool fontColorSet_ = false;
  TBevelCut bevelOuter_ = TBevelCut::bvRaised;
  TBevelCut bevelInner_ = TBevelCut::bvNone;
  int bevelWidth_ = 1;
  int tag_ = 0;
  bool highlighted_ = false;
  bool pressed_ = false;
};
