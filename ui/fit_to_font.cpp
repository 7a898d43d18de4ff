#include "ui/fit_to_font.h"

#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <vector>

namespace pelmora {

namespace {

// The room a parent leaves at its right edge.
constexpr int kEdge = 3;

QRect Contents(QGroupBox* box) {
  QStyleOptionGroupBox option;
  option.initFrom(box);
  option.text = box->title();
  option.lineWidth = 1;
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents,
                                      box);
}

QList<QWidget*> ChildWidgets(QWidget* parent) {
  QList<QWidget*> widgets;
  for (QObject* object : parent->children()) {
    if (auto* w = qobject_cast<QWidget*>(object); w != nullptr && !w->isWindow()) widgets << w;
  }
  return widgets;
}

// Grows the group boxes of parent (deepest first) so that their children lie below their titles
// and inside their frames, moving what lies below a grown group down; returns how much parent
// itself must grow.
int GrowGroups(QWidget* parent) {
  int grown = 0;
  for (QWidget* w : ChildWidgets(parent)) {
    auto* box = qobject_cast<QGroupBox*>(w);
    if (box == nullptr || box->layout() != nullptr) continue;
    GrowGroups(box);
    const QRect contents = Contents(box);
    int bottom = 0;
    for (QWidget* child : ChildWidgets(box)) {
      if (child->y() < contents.top()) child->move(child->x(), contents.top());
      bottom = std::max(bottom, child->y() + child->height());
    }
    const int dy = std::max(0, bottom - (contents.bottom() + 1));
    if (dy == 0) continue;
    const int below = box->y() + box->height();
    box->resize(box->width(), box->height() + dy);
    for (QWidget* other : ChildWidgets(parent)) {
      if (other != box && other->y() >= below) other->move(other->x(), other->y() + dy);
    }
    grown += dy;
  }
  return grown;
}

// The pixels free at the right of w: up to its parent's edge or the nearest sibling beside it.
int RoomAtRight(const QWidget* w) {
  int limit = w->parentWidget()->width() - kEdge;
  for (QWidget* other : ChildWidgets(w->parentWidget())) {
    if (other == w || other->isHidden()) continue;
    const bool beside = other->y() < w->y() + w->height() && w->y() < other->y() + other->height();
    if (beside && other->x() >= w->x() + w->width()) limit = std::min(limit, other->x() - 1);
  }
  return std::max(0, limit - (w->x() + w->width()));
}

}  // namespace

void FitItems(RadioGroup* group, QWidget* neighbour) {
  // What the group keeps beside an item's text: its frame, the column's margins, the indicator
  // and the gap after it.
  const QRect contents = Contents(group);
  const QMargins margins = group->layout()->contentsMargins();
  const QStyle* style = group->style();
  const int beside = contents.left() + group->width() - 1 - contents.right() + margins.left() +
                     margins.right() + style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                     style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
  int grow = 0;
  for (int i = 0; i < group->ItemCount(); ++i) {
    QRadioButton* item = group->Item(i);
    grow = std::max(
        grow, item->fontMetrics().horizontalAdvance(item->text()) + 2 + beside - group->width());
  }
  if (grow <= 0) return;
  group->resize(group->width() + grow, group->height());
  if (neighbour != nullptr) {
    neighbour->setGeometry(neighbour->x() + grow, neighbour->y(), neighbour->width() - grow,
                           neighbour->height());
  }
}

void FitFieldTo(SpinEdit* field, const QString& widest) {
  QStyleOptionSpinBox option;
  option.initFrom(field);
  option.rect = QRect(QPoint(0, 0), field->size());
  option.frame = true;
  option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField |
                       QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
  const QRect edit = field->style()->subControlRect(QStyle::CC_SpinBox, &option,
                                                    QStyle::SC_SpinBoxEditField, field);
  // The line edit keeps two pixels at each side and one for the cursor, and its frame.
  const int need = field->fontMetrics().horizontalAdvance(widest) + 1 + 4 + 2;
  const int grow = need - edit.width();
  if (grow <= 0) return;
  field->resize(field->width() + std::min(grow, RoomAtRight(field)), field->height());
}

void KeepClearOf(QWidget* field, const QWidget* caption) {
  const int shift = caption->x() + caption->sizeHint().width() + 2 - field->x();
  if (shift <= 0) return;
  const int shrink = std::max(0, shift - RoomAtRight(field));
  field->setGeometry(field->x() + shift, field->y(), field->width() - shrink, field->height());
}

CaptionWithField::CaptionWithField(const QString& before, int blanks, const QString& after,
                                   QWidget* parent)
    : QLabel(before + QString(blanks, u' ') + after, parent),
      before_(before),
      after_(after),
      run_(fontMetrics().horizontalAdvance(QString(blanks, u' '))) {}

int CaptionWithField::RunStart() const {
  return fontMetrics().horizontalAdvance(before_);
}

int CaptionWithField::RunEnd() const {
  return RunStart() + run_;
}

QSize CaptionWithField::sizeHint() const {
  return QSize(RunEnd() + fontMetrics().horizontalAdvance(after_), fontMetrics().height());
}

void CaptionWithField::PlaceField(QWidget* field) {
  run_ = field->width() + 4;
  adjustSize();
  const int right = parentWidget()->width() - kEdge;
  move(x() - std::clamp(x() + width() - right, 0, x()), y());
  field->move(x() + RunStart() + 2, field->y());
}

void CaptionWithField::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  const int baseline = fontMetrics().ascent();
  painter.drawText(QPoint(0, baseline), before_);
  painter.drawText(QPoint(RunEnd(), baseline), after_);
}

void FitRow(const std::vector<SpinEdit*>& fields, const std::vector<QWidget*>& captions,
            const QString& widest) {
  const int pitch = fields[1]->x() - fields[0]->x();
  int width = fields[0]->width();
  for (SpinEdit* field : fields) {
    FitFieldTo(field, widest);
    width = std::max(width, field->width());
  }
  QWidget* parent = fields[0]->parentWidget();
  int step = std::max(pitch, width);
  const int count = static_cast<int>(fields.size());
  int left = std::min(fields[0]->x(), parent->width() - kEdge - (count - 1) * step - width);
  if (auto* box = qobject_cast<QGroupBox*>(parent); box != nullptr && left < Contents(box).left()) {
    // No room for the pitch: the fields close up instead, as wide as the group allows.
    left = Contents(box).left();
    width = std::min(width, (Contents(box).width() - (count - 1)) / count);
    step = width + 1;
  }
  const int shift = left - fields[0]->x();
  for (int i = 0; i < count; ++i) {
    QWidget* caption = captions[static_cast<size_t>(i)];
    caption->move(caption->x() + shift + i * (step - pitch), caption->y());
    fields[static_cast<size_t>(i)]->setGeometry(left + i * step,
                                                fields[static_cast<size_t>(i)]->y(), width,
                                                fields[static_cast<size_t>(i)]->height());
  }
}

void MakeRoomForTitles(SettingsPanel* panel) {
  const int grown = GrowGroups(panel->Client());
  if (grown > 0) panel->SetExpandedHeight(panel->ExpandedHeight() + grown);
}

}  // namespace pelmora
