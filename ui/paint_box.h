// The paint box: a surface of the window's size on which a picture is drawn and shown.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

namespace pelmora {

// Qt paints a widget only inside its paint events, so the box keeps its picture in an image of
// its own size and shows that image.
//
// Every paint request raises Paint, whose handler may draw a new picture on NewPicture(); what
// it drew is shown, and when it draws nothing the box shows white. A picture drawn outside a
// paint request goes on screen through ShowPicture: the paint that this causes shows the picture
// as it is and raises no Paint, so it is not drawn again. Repaint asks for a full new paint at
// once, before it returns.
class PaintBox : public QWidget {
  Q_OBJECT

 public:
  explicit PaintBox(QWidget* parent);

  int32_t Width() const { return width(); }
  int32_t Height() const { return height(); }

  // A new picture at the box's current size (at least 1 x 1), to be drawn on now; its pixels are
  // undefined until drawn. Raises PictureStarted.
  QImage& NewPicture();
  // The last picture drawn.
  const QImage& Picture() const { return picture_; }
  // Puts the last picture on screen now, without raising Paint.
  void ShowPicture();
  // Invalidates the box and paints it now: Paint runs before this returns (when the box is on
  // screen).
  void Repaint();

 signals:
  void Paint();
  void PictureStarted();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage picture_;
  bool showOnly_ = false;      // the next paint shows the picture and raises no Paint
  bool drawnInPaint_ = false;  // NewPicture was called during the current Paint
  bool showsPicture_ = false;  // the box shows picture_ rather than white
};

}  // namespace pelmora
