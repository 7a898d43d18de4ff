#include "ui/side_channel.h"

#include <QApplication>
#include <QPainter>

#include "ui/caption_bar.h"

namespace pelmora {

SideChannel::SideChannel(const QString& caption, int openWidth, QWidget* parent)
    : QWidget(parent), caption_(caption), openWidth_(openWidth), pin_(new QToolButton(this)) {
  pin_->setCheckable(true);
  pin_->setChecked(true);
  MakeBarButton(pin_);
  pin_->setFixedSize(18, 18);
  ShowPin(true);
  connect(pin_, &QToolButton::toggled, this, &SideChannel::ShowPin);
  setMouseTracking(true);
  setFixedWidth(openWidth_);
}

void SideChannel::ShowPin(bool pinned) {
  // A pinned channel points at the edge it keeps; the tip says what a click will do.
  pin_->setText(QString::fromUtf8(pinned ? "\u25C0" : "\u25B7"));
  pin_->setToolTip(pinned ? tr("Unpin: let this channel fold to its side bar when the mouse "
                               "leaves it")
                          : tr("Pin: keep this channel open"));
}

void SideChannel::SetFill(QWidget* fill) {
  fill_ = fill;
  LayOut();
}

void SideChannel::SetOpenWidth(int openWidth) {
  openWidth_ = openWidth;
  if (open_) setFixedWidth(openWidth_);
  LayOut();
}

bool SideChannel::IsPinned() const {
  return pin_->isChecked();
}

void SideChannel::SetPinned(bool pinned) {
  pin_->setChecked(pinned);
}

void SideChannel::Open() {
  if (open_) return;
  open_ = true;
  setFixedWidth(openWidth_);
  LayOut();
}

void SideChannel::Fold() {
  if (!open_) return;
  open_ = false;
  setFixedWidth(kSideBarWidth);
  LayOut();
}

void SideChannel::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  if (!open_ && window()->isActiveWindow()) Open();
}

void SideChannel::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  if (!open_ && window()->isActiveWindow()) Open();
}

void SideChannel::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (open_ && !IsPinned() && QApplication::activePopupWidget() == nullptr) Fold();
}

void SideChannel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void SideChannel::LayOut() {
  pin_->setVisible(open_);
  pin_->move(width() - pin_->width() - 3, (kCaptionBarHeight - pin_->height()) / 2);
  if (fill_ == nullptr) return;
  fill_->setVisible(open_);
  // Side bar and a 3-pixel border at the left, 3-pixel borders at the right and bottom.
  fill_->setGeometry(kSideBarWidth + 3, kCaptionBarHeight, width() - kSideBarWidth - 6,
                     height() - kCaptionBarHeight - 3);
}

void SideChannel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.fillRect(0, 0, kSideBarWidth, height(), kCaptionBarColour);
  if (!open_) return;
  PaintCaptionBar(painter, QRect(kSideBarWidth, 0, width() - kSideBarWidth, kCaptionBarHeight),
                  font(), caption_);
}

}  // namespace pelmora
