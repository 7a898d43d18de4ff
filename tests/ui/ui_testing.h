// Driving widgets in tests as a user does.
#pragma once

#include <QAbstractButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

namespace pelmora {

// A click where a user clicks a check box or radio button: on its indicator.
inline void ClickItem(QAbstractButton* item) {
  QStyleOptionButton option;
  option.initFrom(item);
  const QStyle::SubElement indicator = qobject_cast<QRadioButton*>(item)
                                           ? QStyle::SE_RadioButtonIndicator
                                           : QStyle::SE_CheckBoxIndicator;
  QTest::mouseClick(item, Qt::LeftButton, Qt::NoModifier,
                    item->style()->subElementRect(indicator, &option, item).center());
}

// Replaces the whole text of field by typing text, key by key.
inline void TypeOver(QWidget* field, const QString& text) {
  field->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(field, text);
}

}  // namespace pelmora
