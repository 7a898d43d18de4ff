#include "ui/window_frame.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "ui/caption_bar.h"

namespace pelmora {

namespace {

constexpr int kButtonSize = 21;

QToolButton* BarButton(const QString& glyph, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(glyph);
  button->setToolTip(tip);
  MakeBarButton(button);
  button->setFixedSize(kButtonSize, kButtonSize);
  return button;
}

// A strip along an edge of the frame, above what lies there, that resizes the window: the press
// is the frame's.
class EdgeGrip final : public QWidget {
 public:
  EdgeGrip(WindowFrame* frame) : QWidget(frame), frame_(frame) { setMouseTracking(true); }

 protected:
  void mouseMoveEvent(QMouseEvent* event) override {
    setCursor(CursorFor(frame_->EdgesAt(mapTo(frame_, event->position().toPoint()))));
  }
  void mousePressEvent(QMouseEvent* event) override {
    const Qt::Edges edges = frame_->EdgesAt(mapTo(frame_, event->position().toPoint()));
    QWindow* handle = window()->windowHandle();
    if (event->button() == Qt::LeftButton && handle != nullptr && edges != Qt::Edges()) {
      handle->startSystemResize(edges);
    }
  }

 private:
  WindowFrame* frame_;
};

}  // namespace

Qt::CursorShape CursorFor(Qt::Edges edges) {
  if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge)) {
    return Qt::SizeBDiagCursor;
  }
  if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge)) {
    return Qt::SizeFDiagCursor;
  }
  if (edges & (Qt::LeftEdge | Qt::RightEdge)) return Qt::SizeHorCursor;
  if (edges & (Qt::TopEdge | Qt::BottomEdge)) return Qt::SizeVerCursor;
  return Qt::ArrowCursor;
}

WindowFrame::WindowFrame(QWidget* parent)
    : QWidget(parent),
      systemMenu_(BarButton(QString::fromUtf8("\u2630"), tr("Window menu"), this)),
      minimise_(BarButton(QString::fromUtf8("\u2212"), tr("Minimise the window"), this)),
      maximise_(BarButton(QString::fromUtf8("\u25A1"), tr("Maximise the window"), this)),
      close_(BarButton(QString::fromUtf8("\u2715"), tr("Close the window and end Pelmora"), this)),
      menu_(new QMenu(this)) {
  setMouseTracking(true);
  restoreAction_ = menu_->addAction(tr("Restore"), this, [this] { window()->showNormal(); });
  menu_->addAction(tr("Minimise"), this, [this] { window()->showMinimized(); });
  maximiseAction_ = menu_->addAction(tr("Maximise"), this, [this] { window()->showMaximized(); });
  menu_->addSeparator();
  menu_->addAction(tr("Close"), this, [this] { window()->close(); });
  systemMenu_->setMenu(menu_);
  systemMenu_->setPopupMode(QToolButton::InstantPopup);
  systemMenu_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
  for (QWidget*& grip : grips_) grip = new EdgeGrip(this);
  connect(minimise_, &QToolButton::clicked, this, [this] { window()->showMinimized(); });
  connect(maximise_, &QToolButton::clicked, this, &WindowFrame::ToggleMaximised);
  connect(close_, &QToolButton::clicked, this, [this] { window()->close(); });
  // The state shown by the maximise button and the menu follows the window, however changed.
  window()->installEventFilter(this);
  ShowWindowState();
}

void WindowFrame::ToggleMaximised() {
  if (window()->isMaximized()) {
    window()->showNormal();
  } else {
    window()->showMaximized();
  }
}

Qt::Edges WindowFrame::EdgesAt(QPoint point) const {
  Qt::Edges edges;
  if (window()->isMaximized()) return edges;
  if (point.x() < kGripWidth) edges |= Qt::LeftEdge;
  if (point.x() >= width() - kGripWidth) edges |= Qt::RightEdge;
  if (point.y() < kGripWidth) edges |= Qt::TopEdge;
  if (point.y() >= height() - kGripWidth) edges |= Qt::BottomEdge;
  return edges;
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window() && event->type() == QEvent::WindowStateChange) ShowWindowState();
  return QWidget::eventFilter(watched, event);
}

void WindowFrame::ShowWindowState() {
  const bool maximised = window()->isMaximized();
  maximise_->setText(QString::fromUtf8(maximised ? "\u2752" : "\u25A1"));
  maximise_->setToolTip(maximised ? tr("Restore the window to its size before maximising")
                                  : tr("Maximise the window"));
  restoreAction_->setEnabled(maximised || window()->isMinimized());
  maximiseAction_->setEnabled(!maximised);
}

void WindowFrame::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  QWindow* handle = window()->windowHandle();
  if (handle == nullptr) return;
  const Qt::Edges edges = EdgesAt(event->position().toPoint());
  if (edges != Qt::Edges()) {
    handle->startSystemResize(edges);
  } else if (event->position().y() < kCaptionStripHeight) {
    handle->startSystemMove();
  }
}

void WindowFrame::mouseDoubleClickEvent(QMouseEvent* event) {
  QWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && event->position().y() < kCaptionStripHeight) {
    ToggleMaximised();
  }
}

void WindowFrame::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  setCursor(CursorFor(EdgesAt(event->position().toPoint())));
}

void WindowFrame::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int top = (kCaptionStripHeight - kButtonSize) / 2;
  systemMenu_->move(6, top);
  close_->move(width() - 6 - kButtonSize, top);
  maximise_->move(close_->x() - kButtonSize - 2, top);
  minimise_->move(maximise_->x() - kButtonSize - 2, top);
  // Left, right, bottom; the top edge is the bar's, which the frame itself receives.
  grips_[0]->setGeometry(0, kCaptionStripHeight, kGripWidth, height() - kCaptionStripHeight);
  grips_[1]->setGeometry(width() - kGripWidth, kCaptionStripHeight, kGripWidth,
                         height() - kCaptionStripHeight);
  grips_[2]->setGeometry(0, height() - kGripWidth, width(), kGripWidth);
  for (QWidget* grip : grips_) grip->raise();
}

void WindowFrame::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), kCaptionBarColour);
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(Qt::white);
  const QRect caption(systemMenu_->geometry().right() + 4, 0,
                      minimise_->x() - systemMenu_->geometry().right() - 8, kCaptionStripHeight);
  painter.drawText(caption, Qt::AlignVCenter | Qt::AlignLeft, window()->windowTitle());
  painter.setPen(Qt::black);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace pelmora
