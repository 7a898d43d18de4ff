// The caption bar that settings panels, the side channel and the window's title bar share: grey,
// with the caption in white bold at its left, leaving room for a button at its right.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QToolButton>

namespace pelmora {

inline const QColor kCaptionBarColour(0x51, 0x51, 0x51);

// A button on a caption bar: its glyph white, and the face it shows under the mouse a lighter
// grey than the bar, so that the glyph stays visible on it.
inline void MakeBarButton(QToolButton* button) {
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  QPalette onBar = button->palette();
  for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText}) {
    onBar.setColor(role, Qt::white);
  }
  for (const QPalette::ColorRole role :
       {QPalette::Button, QPalette::Light, QPalette::Midlight, QPalette::Window}) {
    onBar.setColor(role, QColor(0x74, 0x74, 0x74));
  }
  onBar.setColor(QPalette::Mid, QColor(0x3a, 0x3a, 0x3a));
  onBar.setColor(QPalette::Dark, QColor(0x3a, 0x3a, 0x3a));
  button->setPalette(onBar);
}

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
