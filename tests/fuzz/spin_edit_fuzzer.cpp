// The spin edit's reading of its text, on the offscreen platform.
//
// Input: the limits (the window's fields' or any), a step count, whether to type the text or
// set it, and the text. The value read must be the text's decimal integer when the text is an
// optional minus sign and digits within 32 bits, and the minimum for anything else; typed text
// keeps only digits and minus signs; a step and leaving the field bring the value into the
// limits (when there are any) without leaving 32 bits.
#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QString>
#include <QValidator>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "ui/spin_edit.h"

namespace {

void Check(bool condition, const char* what, const QString& text) {
  if (condition) return;
  std::fprintf(stderr, "spin edit fuzzer: %s for '%s'\n", what, text.toUtf8().constData());
  std::abort();
}

// The decimal integer that text spells, read character by character: an optional minus sign,
// then one or more ASCII digits, within 32 bits.
std::optional<int32_t> DecimalInteger(const QString& text) {
  qsizetype i = 0;
  const bool negative = !text.isEmpty() && text[0] == u'-';
  if (negative) ++i;
  if (i == text.size()) return std::nullopt;
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') return std::nullopt;
    magnitude = magnitude * 10 + (c - u'0');
    if (magnitude > int64_t{1} << 31) return std::nullopt;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

int32_t Expected(const QString& text, int32_t minValue) {
  return DecimalInteger(text).value_or(minValue);
}

// value within the limits, unless the limits are equal (no bounds).
int64_t InLimits(int64_t value, int32_t minValue, int32_t maxValue) {
  if (minValue != maxValue) {
    if (value < minValue) return minValue;
    if (value > maxValue) return maxValue;
  }
  return std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "fuzz_spin_edit";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives as long as the process
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  // The limits of the window's spin edits, or any.
  const int32_t limits[][2] = {{1, 100000}, {1, 65535}, {1, 100}, {5, 100}, {0, 0}};
  int32_t minValue;
  int32_t maxValue;
  const size_t which = in.ConsumeIntegralInRange<size_t>(0, std::size(limits));
  if (which < std::size(limits)) {
    minValue = limits[which][0];
    maxValue = limits[which][1];
  } else {
    minValue = in.ConsumeIntegral<int32_t>();
    maxValue = in.ConsumeIntegral<int32_t>();
  }
  const int steps = in.ConsumeIntegralInRange<int>(-3, 3);
  const bool typed = in.ConsumeBool();
  const QString text = QString::fromUtf8(in.ConsumeRandomLengthString(typed ? 40 : 200));

  pelmora::SpinEdit edit(minValue, maxValue, 1, nullptr);
  QLineEdit* line = edit.findChild<QLineEdit*>();
  Check(line != nullptr, "no line edit", text);
  const int32_t start = static_cast<int32_t>(InLimits(1, minValue, maxValue));
  Check(edit.Value() == start && line->text() == QString::number(start),
        "the start value is not brought into the limits", text);

  QString copy = text;
  int position = 0;
  const QValidator::State state = edit.validate(copy, position);
  const bool onlyDigitsAndMinus = std::all_of(
      text.begin(), text.end(), [](QChar c) { return (c >= u'0' && c <= u'9') || c == u'-'; });
  Check((state == QValidator::Acceptable) == onlyDigitsAndMinus,
        "the validator takes other than digits and minus signs", text);

  if (typed) {
    line->selectAll();
    for (const QChar c : text) {
      // Any character, as a keyboard layout may give it: the key code of a Latin letter or
      // digit, no code for the rest.
      const int key =
          c.unicode() < 128 && c.isLetterOrNumber() ? c.toUpper().unicode() : int{Qt::Key_unknown};
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
      QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
      QApplication::sendEvent(&edit, &press);
      QApplication::sendEvent(&edit, &release);
    }
    for (const QChar c : line->text()) {
      Check((c >= u'0' && c <= u'9') || c == u'-', "typing left a character other than a digit",
            text);
    }
  } else {
    line->setText(text);
  }
  const QString shown = line->text();
  Check(edit.Value() == Expected(shown, minValue), "the value is not the text's", shown);

  // Leaving the field brings the value into the limits.
  const int32_t typedValue = edit.Value();
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(&edit, &leave);
  Check(edit.Value() == InLimits(typedValue, minValue, maxValue),
        "leaving the field did not bring the value into the limits", shown);

  // A step goes from the value read, into the limits, never past 32 bits.
  const int32_t before = edit.Value();
  edit.stepBy(steps);
  Check(edit.Value() == InLimits(int64_t{before} + steps, minValue, maxValue), "a step went wrong",
        shown);
  Check(line->text() == QString::number(edit.Value()), "a step left text that is not the value",
        shown);
  return 0;
}
