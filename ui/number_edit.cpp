#include "ui/number_edit.h"

#include <charconv>
#include <string>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <optional>

#include "generator/str_to_float.h"
#include "ui/application.h"

namespace pelmora {

NumberEdit::NumberEdit(long double value, QWidget* parent)
    : QLineEdit(parent),
      decimalSeparator_(QLocale().decimalPoint()),
      groupSeparator_(QLocale().groupSeparator()) {
  connect(this, &QLineEdit::textChanged, this, &NumberEdit::ReadText);
  SetValue(value);
}

void NumberEdit::SetValue(long double value) {
  setText(Mask(value, decimalSeparator_));
}

QString NumberEdit::Mask(long double value, const QString& decimalSeparator) {
  long double rounded = std::roundl(value * 100.0L) / 100.0L;
  if (!std::isfinite(rounded)) rounded = value;  // beyond the range once multiplied by 100
  // Any finite extended value in fixed notation, whatever the C locale's decimal point.
  std::string text(5000, '\0');
  const auto result =
      std::to_chars(text.data(), text.data() + text.size(), rounded, std::chars_format::fixed, 2);
  if (result.ec != std::errc()) return QString::fromLatin1("0.00");
  text.resize(static_cast<size_t>(result.ptr - text.data()));
  return QString::fromStdString(text).replace(u'.', decimalSeparator);
}

void NumberEdit::ReadText(const QString& text) {
  if (restoring_) return;
  QString plain = text;
  if (!groupSeparator_.isEmpty()) plain.remove(groupSeparator_);
  if (plain.isEmpty()) {
    value_ = 0.0L;
    lastNumberText_ = text;
    return;
  }
  const std::optional<Extended> number =
      TryStrToFloat(plain.toStdString(), decimalSeparator_.toStdString());
  if (number) {
    value_ = static_cast<long double>(*number);
    lastNumberText_ = text;
    return;
  }
  // Put right once the line edit has finished the change that brought the text.
  QTimer::singleShot(0, this, [this, text] {
    if (QLineEdit::text() != text) return;
    restoring_ = true;
    setText(lastNumberText_);
    restoring_ = false;
    RunHandler([&text] { throw ConvertError(text.toStdString()); });
  });
}

void NumberEdit::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  const bool shortcut =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const bool digit = typed.size() == 1 && typed[0] >= u'0' && typed[0] <= u'9';
  if (!shortcut && typed.size() == 1 && typed[0].isPrint() && !digit) {
    QString kept = text();
    if (hasSelectedText()) kept.remove(selectionStart(), selectedText().size());
    if (typed != decimalSeparator_ || kept.contains(decimalSeparator_)) {
      event->accept();
      return;
    }
  }
  QLineEdit::keyPressEvent(event);
}

void NumberEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) {
    return;
  }
  SetValue(value_);
}

}  // namespace pelmora
