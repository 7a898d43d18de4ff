#include "ui/paint_box.h"

#include <QPainter>
#include <algorithm>

namespace pelmora {

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {
  // Every paint covers the whole box: no background is filled first, so nothing flickers.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage& PaintBox::NewPicture() {
  const QSize size(std::max(width(), 1), std::max(height(), 1));
  if (picture_.size() != size) picture_ = QImage(size, QImage::Format_RGB32);
  drawnInPaint_ = true;
  emit PictureStarted();
  return picture_;
}

void PaintBox::ShowPicture() {
  showOnly_ = true;
  showsPicture_ = true;
  repaint();
}

void PaintBox::Repaint() {
  showOnly_ = false;
  repaint();
}

void PaintBox::paintEvent(QPaintEvent* /*event*/) {
  if (!showOnly_) {
    showsPicture_ = false;
    drawnInPaint_ = false;
    emit Paint();
    showsPicture_ = drawnInPaint_;
  }
  showOnly_ = false;
  QPainter painter(this);
  if (showsPicture_) {
    painter.drawImage(0, 0, picture_);
  } else {
    painter.fillRect(rect(), Qt::white);
  }
}

void PaintBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A picture of the old size is never shown as the picture of the new one.
  showOnly_ = false;
}

}  // namespace pelmora
