// The frame that fills the main window: a dark ground with the window's caption in a strip
// along the top; the side channel and the Drawing Area lie below the strip.
#pragma once

#include <QWidget>

namespace pelmora {

class WindowFrame : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kCaptionStripHeight = 33;  // pixels

  explicit WindowFrame(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace pelmora
