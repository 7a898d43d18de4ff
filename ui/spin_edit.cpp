#include "ui/spin_edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStyleOptionSpinBox>
#include <QWheelEvent>
#include <algorithm>
#include <charconv>
#include <limits>

namespace pelmora {

namespace {

// The application's look with up and down buttons 12 pixels wide, which gives a narrow field
// room for its widest value.
class NarrowButtonsStyle final : public QProxyStyle {
 public:
  static constexpr int kButtonWidth = 12;

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                       const QWidget* widget) const override {
    QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
    if (control != CC_SpinBox) return rect;
    const QRect up = QProxyStyle::subControlRect(control, option, SC_SpinBoxUp, widget);
    const int gain = std::max(0, up.width() - kButtonWidth);
    if (part == SC_SpinBoxUp || part == SC_SpinBoxDown) rect.setLeft(rect.left() + gain);
    if (part == SC_SpinBoxEditField) rect.setRight(rect.right() + gain);
    return rect;
  }
};

// Whether text is a decimal integer of 32 bits, as Value() reads it.
bool IsInteger(const QString& text) {
  const QByteArray latin = text.toLatin1();
  int32_t value = 0;
  const char* end = latin.constData() + latin.size();
  const auto [stop, error] = std::from_chars(latin.constData(), end, value, 10);
  return !latin.isEmpty() && error == std::errc() && stop == end;
}

}  // namespace

SpinEdit::SpinEdit(int32_t minValue, int32_t maxValue, int32_t value, QWidget* parent)
    : QAbstractSpinBox(parent), minValue_(minValue), maxValue_(maxValue) {
  // The style is the field's child: the widget holds it by a guarded pointer.
  auto* narrow = new NarrowButtonsStyle;
  narrow->setParent(this);
  setStyle(narrow);
  lineEdit()->setText(QString::number(CheckValue(value)));
  setFocusPolicy(Qt::StrongFocus);  // the wheel neither steps nor focuses the field
  connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::Change);
}

int32_t SpinEdit::Value() const {
  const QString text = lineEdit()->text();
  return IsInteger(text) ? text.toInt() : minValue_;
}

void SpinEdit::SetValue(int32_t value) {
  lineEdit()->setText(QString::number(CheckValue(value)));
}

int32_t SpinEdit::CheckValue(int64_t value) const {
  if (maxValue_ != minValue_) {
    if (value < minValue_) {
      value = minValue_;
    } else if (value > maxValue_) {
      value = maxValue_;
    }
  }
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

void SpinEdit::stepBy(int steps) {
  lineEdit()->setText(QString::number(CheckValue(int64_t{Value()} + steps)));
  lineEdit()->selectAll();
}

QValidator::State SpinEdit::validate(QString& input, int& /*pos*/) const {
  for (const QChar c : input) {
    if (!(c >= u'0' && c <= u'9') && c != u'-') return QValidator::Invalid;
  }
  return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
  if (isReadOnly()) return StepNone;
  return StepUpEnabled | StepDownEnabled;
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
  QAbstractSpinBox::focusOutEvent(event);
  // A context menu or another window taking the focus is not leaving the field.
  if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) {
    return;
  }
  // Text that reads as another number (empty, a lone minus, out of range) shows what it reads.
  const int32_t value = Value();
  if (CheckValue(value) != value || !IsInteger(lineEdit()->text())) SetValue(value);
}

void SpinEdit::keyPressEvent(QKeyEvent* event) {
  // One step per key, as for the arrows: no page steps.
  if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
    event->ignore();
    return;
  }
  QAbstractSpinBox::keyPressEvent(event);
}

void SpinEdit::wheelEvent(QWheelEvent* event) {
  event->ignore();
}

}  // namespace pelmora
