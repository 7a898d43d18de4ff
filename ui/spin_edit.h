// The spin edit: a 32-bit integer held as the text of a field with up and down buttons.
#pragma once

#include <QAbstractSpinBox>
#include <cstdint>

namespace pelmora {

// The value is the text: Value() parses it as a decimal integer, and text that does not parse
// (empty, a lone minus, a minus after a digit, beyond 32 bits) reads as MinValue().
//
// A value set by SetValue, the buttons or the Up and Down keys (one step each) is brought into
// [MinValue, MaxValue]. Typed text reads as typed until the field loses focus to another control,
// and is then brought into range; text that does not parse then shows the value it read. MinValue
// == MaxValue means no bounds; a step past the 32-bit range stops at its end. Typing accepts digits
// and the minus sign; editing keys work as in any line edit. Change is emitted at every change of
// the text, whatever made it. The mouse wheel does not step the value: it scrolls what lies
// beneath.
class SpinEdit : public QAbstractSpinBox {
  Q_OBJECT

 public:
  SpinEdit(int32_t minValue, int32_t maxValue, int32_t value, QWidget* parent);

  int32_t Value() const;
  void SetValue(int32_t value);
  // Limits only: the text is not checked against them again.
  int32_t MinValue() const { return minValue_; }
  void SetMinValue(int32_t minValue) { minValue_ = minValue; }
  int32_t MaxValue() const { return maxValue_; }
  void SetMaxValue(int32_t maxValue) { maxValue_ = maxValue; }

  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;

 signals:
  void Change();

 protected:
  StepEnabled stepEnabled() const override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // value brought into the limits, unless there are none; always within 32 bits.
  int32_t CheckValue(int64_t value) const;

  int32_t minValue_;
  int32_t maxValue_;
};

}  // namespace pelmora
