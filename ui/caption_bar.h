// The caption bar that settings panels and the side channel share: grey, with the caption in
// white bold at its left, leaving room for a button at its right.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

namespace pelmora {

inline const QColor kCaptionBarColour(0x51, 0x51, 0x51);

inline void PaintCaptionBar(QPainter& painter, const QRect& bar, const QFont& font,
                            const QString& caption) {
  painter.fillRect(bar, kCaptionBarColour);
  QFont bold = font;
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(Qt::white);
  painter.drawText(bar.adjusted(6, 0, -24, 0), Qt::AlignVCenter | Qt::AlignLeft, caption);
}

}  // namespace pelmora
