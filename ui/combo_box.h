// The combo box: a drop-down list without free text.
#pragma once

#include <QComboBox>
#include <QWheelEvent>

namespace pelmora {

// The mouse wheel picks an item only while the box has the focus, and does not give it the
// focus: turned over the box on its way through the side stack, it scrolls the stack instead of
// changing the setting.
class ComboBox : public QComboBox {
 public:
  explicit ComboBox(QWidget* parent) : QComboBox(parent) { setFocusPolicy(Qt::StrongFocus); }

 protected:
  void wheelEvent(QWheelEvent* event) override {
    if (hasFocus()) {
      QComboBox::wheelEvent(event);
    } else {
      event->ignore();
    }
  }
};

}  // namespace pelmora
