#include "ui/settings_panel.h"

#include <QPainter>
#include <QResizeEvent>

#include "ui/caption_bar.h"

namespace pelmora {

SettingsPanel::SettingsPanel(const QString& caption, Kind kind, int expandedHeight, QWidget* parent)
    : QWidget(parent),
      caption_(caption),
      kind_(kind),
      expandedHeight_(expandedHeight),
      client_(new QWidget(this)) {
  if (kind_ == Kind::kCollapsible) {
    button_ = new QToolButton(this);
    MakeBarButton(button_);
    button_->setFixedSize(18, 18);
    connect(button_, &QToolButton::clicked, this, [this] {
      if (collapsed_) {
        Expand();
      } else {
        Collapse();
      }
    });
  }
  ShowState();
}

void SettingsPanel::Collapse() {
  if (kind_ != Kind::kCollapsible || collapsed_) return;
  collapsed_ = true;
  ShowState();
}

void SettingsPanel::Expand() {
  if (kind_ != Kind::kCollapsible || !collapsed_) return;
  collapsed_ = false;
  ShowState();
}

void SettingsPanel::SetExpandedHeight(int height) {
  if (kind_ != Kind::kCollapsible) return;
  expandedHeight_ = height;
  client_->resize(width(), expandedHeight_);
  ShowState();
}

void SettingsPanel::ShowState() {
  if (kind_ != Kind::kCollapsible) return;
  // A collapsed panel hides its controls, so that the focus cannot move into them either.
  client_->setVisible(!collapsed_);
  setFixedHeight(collapsed_ ? kCaptionBarHeight : expandedHeight_);
  button_->setArrowType(collapsed_ ? Qt::DownArrow : Qt::UpArrow);
  button_->setToolTip(collapsed_ ? tr("Expand: show the settings of this panel")
                                 : tr("Collapse: fold this panel to its caption bar"));
}

void SettingsPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int clientHeight = kind_ == Kind::kCollapsible ? expandedHeight_ : event->size().height();
  client_->setGeometry(0, 0, event->size().width(), clientHeight);
  if (button_ != nullptr) {
    button_->move(event->size().width() - button_->width() - 2,
                  (kCaptionBarHeight - button_->height()) / 2);
    button_->raise();
  }
}

void SettingsPanel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  PaintCaptionBar(painter, QRect(0, 0, width(), kCaptionBarHeight), font(), caption_);
}

}  // namespace pelmora
