#include "ui/spin_edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>
#include <algorithm>
#include <charconv>
#include <limits>

namespace pelmora {

SpinEdit::SpinEdit(int32_t minValue, int32_t maxValue, int32_t value, QWidget* parent)
    : QAbstractSpinBox(parent), minValue_(minValue), maxValue_(maxValue) {
  lineEdit()->setText(QString::number(CheckValue(value)));
  setFocusPolicy(Qt::StrongFocus);  // the wheel neither steps nor focuses the field
  connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::Change);
}

int32_t SpinEdit::Value() const {
  const QByteArray text = lineEdit()->text().toLatin1();
  int32_t value = 0;
  const char* end = text.constData() + text.size();
  const auto [stop, error] = std::from_chars(text.constData(), end, value, 10);
  if (text.isEmpty() || error != std::errc() || stop != end) return minValue_;
  return value;
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
  const int32_t value = Value();
  if (CheckValue(value) != value) SetValue(value);
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
