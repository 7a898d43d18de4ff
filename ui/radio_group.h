// The radio group: a captioned group of radio buttons in one column, at most one selected.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>

namespace pelmora {

class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  // itemIndex as for SetItemIndex.
  RadioGroup(const QString& caption, const QStringList& items, int itemIndex, QWidget* parent);

  // The selected item, counted from 0; -1 when none is selected.
  int ItemIndex() const { return buttons_->checkedId(); }
  // Selects item index; any index outside the items selects none. Raises no Click.
  void SetItemIndex(int index);

  QRadioButton* Item(int index) const;
  int ItemCount() const { return static_cast<int>(buttons_->buttons().size()); }

 signals:
  // The user clicked an item (also the one already selected).
  void Click();

 private:
  QButtonGroup* buttons_;
};

}  // namespace pelmora
