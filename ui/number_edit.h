// The number edit: a real number in a text field, shown through the mask "0.00".
#pragma once

#include <QLineEdit>
#include <QString>

namespace pelmora {

// The text is read back as a number at every change, in the user's number format (the
// decimal separator of QLocale(); thousands separators ignored); empty text counts as 0. A change
// that leaves text which is not a number brings the previous text back and raises the conversion
// error "'<text>' is not a valid floating point value", shown by the exception display right
// after the change. Typing accepts digits and one decimal separator; editing keys work as in any
// line edit. Leaving the field rewrites the text through the mask: the value rounded to two
// decimals, halves away from zero.
class NumberEdit : public QLineEdit {
  Q_OBJECT

 public:
  NumberEdit(long double value, QWidget* parent);

  long double Value() const { return value_; }
  void SetValue(long double value);

  // value through the mask "0.00" with decimalSeparator: "350.00", or "350,00".
  static QString Mask(long double value, const QString& decimalSeparator);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ReadText(const QString& text);

  QString decimalSeparator_;
  QString groupSeparator_;
  long double value_ = 0.0L;
  QString lastNumberText_;  // the latest text that was a number
  bool restoring_ = false;
};

}  // namespace pelmora
