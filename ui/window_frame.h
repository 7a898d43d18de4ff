// The skinned frame that fills the main window, which has no frame of the system's: a dark
// ground, the window's own title bar along the top (the caption, the system-menu, minimise,
// maximise and close buttons), and grips along the edges. The side channel and the Drawing Area
// lie below the bar.
#pragma once

#include <QMenu>
#include <QToolButton>
#include <QWidget>
#include <Qt>

namespace pelmora {

// The bar moves the window when dragged and maximises or restores it on a double click; each
// edge and corner resizes it (the window system does both, so the minimum size holds). The
// caption is the window's title, drawn in the frame's font, bold and white.
// The cursor that shows which edges a press resizes.
Qt::CursorShape CursorFor(Qt::Edges edges);

class WindowFrame : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kCaptionStripHeight = 33;  // pixels, the title bar
  static constexpr int kGripWidth = 4;            // pixels along each edge that resize

  explicit WindowFrame(QWidget* parent);

  QToolButton* SystemMenuButton() const { return systemMenu_; }
  QToolButton* MinimiseButton() const { return minimise_; }
  QToolButton* MaximiseButton() const { return maximise_; }
  QToolButton* CloseButton() const { return close_; }
  // The system menu: Restore, Minimise, Maximise, Close.
  QMenu* SystemMenu() const { return menu_; }

  // Maximises the window, or restores it when maximised.
  void ToggleMaximised();
  // The edges a press at point (in the frame's coordinates) resizes; none inside.
  Qt::Edges EdgesAt(QPoint point) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowWindowState();

  QToolButton* systemMenu_;
  QToolButton* minimise_;
  QToolButton* maximise_;
  QToolButton* close_;
  QMenu* menu_;
  QAction* restoreAction_;
  QAction* maximiseAction_;
  // Over the left, right and bottom edges, above the side channel and the Drawing Area.
  QWidget* grips_[3] = {};
};

}  // namespace pelmora
