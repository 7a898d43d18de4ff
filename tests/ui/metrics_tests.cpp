// Every text of the side channel shown whole: each caption, item and the widest value of each
// field measured with the font the window uses against the rectangle it is drawn in, with every
// panel expanded and every hidden row shown in turn; and no control overlapping another.
//
// Run once with fonts-wine's Tahoma loaded (PELMORA_TEST_FONTS=installed) and once with DejaVu
// Sans alone (PELMORA_TEST_FONTS=dejavu).
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QToolButton>
#include <limits>
#include <memory>

#include "tests/ui/fake_dialogs.h"
#include "ui/application.h"
#include "ui/unit1.h"
#include "ui/window_fonts.h"

namespace pelmora {

namespace {

// Where w's text is drawn and how wide the text is, or nothing for a widget without text.
struct TextFit {
  QString text;
  int need = 0;      // pixels the text takes
  int room = 0;      // pixels it is given
  int needHigh = 0;  // the font's line
  int roomHigh = 0;
};

QRect InParent(QWidget* w) {
  return w->geometry();
}

// The rectangle a group box leaves its children: below its title, inside its frame.
QRect GroupContents(QGroupBox* box) {
  QStyleOptionGroupBox option;
  option.initFrom(box);
  option.text = box->title();
  option.lineWidth = 1;
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  option.textAlignment = box->alignment();
  return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents,
                                      box);
}

QRect GroupLabel(QGroupBox* box) {
  QStyleOptionGroupBox option;
  option.initFrom(box);
  option.text = box->title();
  option.lineWidth = 1;
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  option.textAlignment = box->alignment();
  return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
}

QList<TextFit> Fits(QWidget* w) {
  QList<TextFit> fits;
  const QFontMetrics m = w->fontMetrics();
  if (auto* spin = qobject_cast<SpinEdit*>(w)) {
    QLineEdit* edit = spin->findChild<QLineEdit*>();
    // QLineEdit keeps two pixels each side and one for the cursor.
    fits.append({spin->text(), m.horizontalAdvance(spin->text()) + 1,
                 edit->contentsRect().width() - 4, m.height(), edit->contentsRect().height()});
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = false;
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i) {
      fits.append({combo->itemText(i), m.horizontalAdvance(combo->itemText(i)), field.width() - 2,
                   m.height(), field.height()});
    }
  } else if (auto* button = qobject_cast<QPushButton*>(w)) {
    fits.append({button->text(), m.horizontalAdvance(button->text()) + 8, button->width(),
                 m.height(), button->height()});
  } else if (auto* check = qobject_cast<QAbstractButton*>(w)) {
    if (qobject_cast<QToolButton*>(w)) return fits;  // a glyph on a caption bar
    QStyleOptionButton option;
    option.initFrom(check);
    option.text = check->text();
    const QRect contents = check->style()->subElementRect(qobject_cast<QRadioButton*>(w)
                                                              ? QStyle::SE_RadioButtonContents
                                                              : QStyle::SE_CheckBoxContents,
                                                          &option, check);
    fits.append({check->text(), m.horizontalAdvance(check->text()), contents.width(), m.height(),
                 contents.height()});
  } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
    fits.append({line->text(), m.horizontalAdvance(line->text()) + 1,
                 line->contentsRect().width() - 4 - 2, m.height(), line->contentsRect().height()});
  } else if (auto* caption = qobject_cast<CaptionWithField*>(w)) {
    fits.append({caption->text(), caption->sizeHint().width(), caption->contentsRect().width(),
                 m.height(), caption->contentsRect().height()});
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    fits.append({label->text(), m.horizontalAdvance(label->text()), label->contentsRect().width(),
                 m.height(), label->contentsRect().height()});
  } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
    QFont bold = box->font();
    bold.setBold(true);
    const QRect label = GroupLabel(box);
    const int need = std::max(QFontMetrics(bold).horizontalAdvance(box->title()),
                              m.horizontalAdvance(box->title()));
    // The title is drawn from the label's left, not clipped to its rectangle.
    fits.append({box->title(), need, box->width() - label.left() - 1, m.height(), label.height()});
  } else if (auto* panel = qobject_cast<SettingsPanel*>(w)) {
    QFont bold = panel->font();
    bold.setBold(true);
    // The caption bar keeps 6 pixels at its left and 24 for its button at its right.
    fits.append({panel->Caption(), QFontMetrics(bold).horizontalAdvance(panel->Caption()),
                 panel->width() - 30, m.height(), SettingsPanel::kCaptionBarHeight});
  }
  return fits;
}

}  // namespace

class MetricsTests : public QObject {
  Q_OBJECT

 public:
  explicit MetricsTests(Dialogs& dialogs) : dialogs_(dialogs) {}

 private slots:
  void init() {
    form_ = std::make_unique<TForm1>(state_, dialogs_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->suiPanel5->show();
    for (SettingsPanel* panel :
         {form_->suiPanel1, form_->suiPanel2, form_->suiPanel4, form_->suiPanel5}) {
      panel->Expand();
    }
    for (SpinEdit* field : {form_->spWorldX, form_->spWorldY, form_->spWorldZ, form_->spBoxes}) {
      field->SetValue(100000);
    }
    for (SpinEdit* field : {form_->spHighX, form_->spHighY, form_->spHighZ}) field->SetValue(99999);
    form_->spSeed->SetValue(65535);
    form_->spPercent->SetValue(100);
    form_->spGridLines->SetValue(100);
    form_->spDelta->SetValue(std::numeric_limits<int32_t>::min());  // ten digits and a minus
    QApplication::processEvents();
  }
  void cleanup() { form_.reset(); }

  void theFontInUse() {
    const QString family = QFontInfo(form_->suiSideChannel1->font()).family();
    const QByteArray fonts = qgetenv("PELMORA_TEST_FONTS");
    QCOMPARE(family, QString(fonts == "installed" ? "Tahoma" : "DejaVu Sans"));
  }

  void everyTextWhole_data() {
    QTest::addColumn<int>("distribution");
    QTest::newRow("Uniform") << 0;
    QTest::newRow("Gauss: mean and sigma") << 1;
    QTest::newRow("Skewed: exponent") << 2;
  }
  void everyTextWhole() {
    QFETCH(int, distribution);
    form_->rbDist->setCurrentIndex(distribution);
    form_->rbDistChange(form_->rbDist);
    QApplication::processEvents();
    QStringList cut;
    for (QWidget* w : form_->suiSideChannel1->findChildren<QWidget*>()) {
      if (!w->isVisibleTo(form_.get()) || w->objectName().startsWith("qt_")) continue;
      for (const TextFit& fit : Fits(w)) {
        if (fit.text.isEmpty()) continue;
        if (fit.need > fit.room || fit.needHigh > fit.roomHigh) {
          cut << QString("%1 \"%2\": needs %3 x %4, has %5 x %6")
                     .arg(w->objectName(), fit.text)
                     .arg(fit.need)
                     .arg(fit.needHigh)
                     .arg(fit.room)
                     .arg(fit.roomHigh);
        }
      }
    }
    // To look at it: PELMORA_TEST_SHOTS names a folder for the window's picture.
    if (const QString shots = qEnvironmentVariable("PELMORA_TEST_SHOTS"); !shots.isEmpty()) {
      const QString name = QString("%1/%2-%3")
                               .arg(shots, qEnvironmentVariable("PELMORA_TEST_FONTS"))
                               .arg(distribution);
      form_->grab().save(name + ".png");
      form_->ScrollBox1->ensureWidgetVisible(form_->spDelta);
      form_->grab().save(name + "-end.png");
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
  }

  // Named controls lie inside their container (below a group's title) and apart from one another;
  // the one overlap the window is built with is "Choose..." over the colour group's right part,
  // clear of its items.
  void noControlCutOrOverlapping() {
    QStringList faults;
    QList<QWidget*> named;
    for (QWidget* w : form_->suiSideChannel1->findChildren<QWidget*>()) {
      if (w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
      named << w;
    }
    for (int distribution : {1, 2}) {
      form_->rbDist->setCurrentIndex(distribution);
      form_->rbDistChange(form_->rbDist);
      for (QWidget* w : named) {
        if (!w->isVisibleTo(form_.get())) continue;
        QWidget* parent = w->parentWidget();
        QRect room = parent->rect();
        if (auto* box = qobject_cast<QGroupBox*>(parent)) room = GroupContents(box);
        if (!room.contains(InParent(w))) {
          faults << QString("%1 (%2) outside its container (%3)")
                        .arg(w->objectName(), QDebug::toString(InParent(w)),
                             QDebug::toString(room));
        }
        for (QWidget* other : named) {
          if (other == w || other->parentWidget() != parent || !other->isVisibleTo(form_.get()) ||
              w->objectName() > other->objectName()) {
            continue;
          }
          QRect a = InParent(w);
          QRect b = InParent(other);
          const QSet<QString> pair{w->objectName(), other->objectName()};
          if (pair == QSet<QString>{"Label5", "spPercent"}) {
            // The field lies in the run of blanks of its caption, between the words and "%".
            const QFontMetrics m = form_->Label5->fontMetrics();
            const int start = form_->Label5->x() + m.horizontalAdvance("Percent of boxes to show:");
            const int end = form_->Label5->x() + m.horizontalAdvance(form_->Label5->text()) -
                            m.horizontalAdvance("%");
            const QRect field = form_->spPercent->geometry();
            if (field.left() < start || field.right() >= end) {
              faults << QString("spPercent %1 not within the blanks %2..%3 of its caption")
                            .arg(QDebug::toString(field))
                            .arg(start)
                            .arg(end);
            }
            continue;
          }
          if (pair == QSet<QString>{"suiButton1", "rgBoxColour"}) {
            // Only the items' texts must stay clear of the button.
            for (int i = 0; i < form_->rgBoxColour->ItemCount(); ++i) {
              QRadioButton* item = form_->rgBoxColour->Item(i);
              const QRect text(item->mapTo(parent, QPoint(0, 0)), item->sizeHint());
              if (text.intersects(form_->suiButton1->geometry())) {
                faults << "suiButton1 covers " + item->text();
              }
            }
            continue;
          }
          if (a.intersects(b)) {
            faults << QString("%1 %2 overlaps %3 %4")
                          .arg(w->objectName(), QDebug::toString(a), other->objectName(),
                               QDebug::toString(b));
          }
        }
      }
    }
    faults.removeDuplicates();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
  }

 private:
  Dialogs& dialogs_;
  GeneratorState state_;
  std::unique_ptr<TForm1> form_;
};

}  // namespace pelmora

int main(int argc, char** argv) {
  pelmora::FakeDialogs dialogs;
  pelmora::Application application(argc, argv, dialogs);
  pelmora::Application::setStyle(QStyleFactory::create("Fusion"));
  if (qgetenv("PELMORA_TEST_FONTS") == "installed" && pelmora::LoadWindowFonts().size() < 2) {
    qFatal("fonts-wine's Tahoma is not installed in %s", pelmora::kWineFontFolder);
  }
  pelmora::MetricsTests tests(dialogs);
  return QTest::qExec(&tests, argc, argv);
}

#include "metrics_tests.moc"
