#include "ui/window_frame.h"

#include <QPainter>

namespace pelmora {

namespace {

const QColor kGround(0x51, 0x51, 0x51);

}  // namespace

WindowFrame::WindowFrame(QWidget* parent) : QWidget(parent) {}

void WindowFrame::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), kGround);
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 0, width(), kCaptionStripHeight).adjusted(8, 0, -8, 0),
                   Qt::AlignVCenter | Qt::AlignLeft, window()->windowTitle());
  painter.setPen(Qt::black);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace pelmora
