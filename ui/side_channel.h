// The side channel: a panel docked at the left edge of its window, with a side bar, a caption
// bar with a pin button, and one widget that fills it below the caption.
#pragma once

#include <QString>
#include <QToolButton>
#include <QWidget>

namespace pelmora {

// Pinned, the channel stays open. Unpinned, it folds to its side bar once the mouse has left it
// (not while a pop-up such as a combo box list is open) and opens again when the mouse is over
// the bar while its window is active. Its width is fixed, open or folded, so a layout gives the
// rest of the window to its neighbour.
class SideChannel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSideBarWidth = 10;      // pixels, the width of the folded channel
  static constexpr int kCaptionBarHeight = 24;  // pixels

  // openWidth in pixels. The channel starts open and pinned.
  SideChannel(const QString& caption, int openWidth, QWidget* parent);

  // The widget that fills the open channel below its caption bar, right of its side bar.
  void SetFill(QWidget* fill);

  QString Caption() const { return caption_; }
  // The width of the open channel, in pixels.
  int OpenWidth() const { return openWidth_; }
  void SetOpenWidth(int openWidth);
  bool IsPinned() const;
  void SetPinned(bool pinned);
  bool IsOpen() const { return open_; }
  QToolButton* PinButton() const { return pin_; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Open();
  void Fold();
  void ShowPin(bool pinned);
  void LayOut();

  QString caption_;
  int openWidth_;
  bool open_ = true;
  QToolButton* pin_;
  QWidget* fill_ = nullptr;
};

}  // namespace pelmora
