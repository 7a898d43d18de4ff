// Sizes taken from the font: the window is laid out at the stored positions for Tahoma at 11
// pixels, and these steps make room where another font's texts are wider or taller, keeping the
// nesting, the order and the relative placement of the controls.
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/radio_group.h"
#include "ui/settings_panel.h"
#include "ui/spin_edit.h"

namespace pelmora {

// Widens group where its items' texts need it, narrowing neighbour (at its right) by as much.
void FitItems(RadioGroup* group, QWidget* neighbour);

// Widens field to the right, as far as its parent leaves room, so that widest shows whole.
void FitFieldTo(SpinEdit* field, const QString& widest);

// Widens a row of equal fields (each with its caption above it) to show widest, keeping them
// equally spaced; the row moves left where the parent has no room at its right.
void FitRow(const std::vector<SpinEdit*>& fields, const std::vector<QWidget*>& captions,
            const QString& widest);

// Moves field right, clear of the caption at its left (a label, check box or radio button, as
// wide as its size hint), keeping its right edge where the parent has no room.
void KeepClearOf(QWidget* field, const QWidget* caption);

// A caption with a field in its run of blanks, such as "Percent:         %": text() is the whole
// caption, drawn with the run as wide as the field needs rather than as wide as the font's
// blanks.
class CaptionWithField : public QLabel {
  Q_OBJECT

 public:
  // before: the caption up to the run of blanks; after: what follows it.
  CaptionWithField(const QString& before, int blanks, const QString& after, QWidget* parent);

  // Makes the run of blanks field's width and two pixels either side, and puts field in it.
  // A caption wider than its parent then moves left, and the field with it.
  void PlaceField(QWidget* field);
  // Where the run starts and ends, in the caption's own coordinates.
  int RunStart() const;
  int RunEnd() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString before_;
  QString after_;
  int run_;
};

// Moves the children of every group box in panel below its title where the title is taller than
// the stored layout allows, growing the group and moving what lies below it; the panel grows by
// as much.
void MakeRoomForTitles(SettingsPanel* panel);

}  // namespace pelmora
