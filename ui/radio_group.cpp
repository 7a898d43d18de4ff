#include "ui/radio_group.h"

#include <QSizePolicy>
#include <QVBoxLayout>

namespace pelmora {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, int itemIndex,
                       QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 2, 2, 2);
  column->setSpacing(0);
  for (int i = 0; i < items.size(); ++i) {
    auto* item = new QRadioButton(items[i], this);
    // The items share the height of the group evenly, as rows of one column.
    item->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    buttons_->addButton(item, i);
    column->addWidget(item);
  }
  SetItemIndex(itemIndex);
  connect(buttons_, &QButtonGroup::idClicked, this, &RadioGroup::Click);
}

void RadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* item = buttons_->button(index)) {
    item->setChecked(true);
    return;
  }
  // An exclusive group keeps one button checked: none is selected only outside exclusiveness.
  buttons_->setExclusive(false);
  for (QAbstractButton* item : buttons_->buttons()) item->setChecked(false);
  buttons_->setExclusive(true);
}

QRadioButton* RadioGroup::Item(int index) const {
  return static_cast<QRadioButton*>(buttons_->button(index));
}

}  // namespace pelmora
