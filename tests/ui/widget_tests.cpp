// The window's own widgets and the application object, each driven as a user drives it.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <limits>
#include <memory>
#include <stdexcept>

#include "tests/ui/fake_dialogs.h"
#include "tests/ui/ui_testing.h"
#include "ui/application.h"
#include "ui/busy_cursor.h"
#include "ui/number_edit.h"
#include "ui/radio_group.h"
#include "ui/settings_panel.h"
#include "ui/spin_edit.h"

namespace pelmora {

namespace {

// A shown, active window holding the widget under test and a line edit to move the focus to.
struct Host {
  QWidget window;
  QLineEdit* elsewhere;

  explicit Host(QWidget* widget) {
    auto* column = new QVBoxLayout(&window);
    widget->setParent(&window);
    column->addWidget(widget);
    elsewhere = new QLineEdit(&window);
    column->addWidget(elsewhere);
    window.show();
    window.activateWindow();
  }
  bool Ready() { return QTest::qWaitForWindowActive(&window); }
};

QRect UpButton(SpinEdit* edit) {
  QStyleOptionSpinBox option;
  option.initFrom(edit);
  option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
  option.frame = true;
  return edit->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, edit);
}

}  // namespace

class WidgetTests : public QObject {
  Q_OBJECT

 public:
  explicit WidgetTests(FakeDialogs& dialogs) : dialogs_(dialogs) {}

 private slots:
  void init() { dialogs_.Clear(); }

  // The busy cursor: over work expected to be long and over work that follows long work of its
  // kind, not over the first quick work; always taken away, also when work throws.
  void busyCursorOverLongWork() {
    BusyCursor busy;
    auto cursorDuring = [&](bool expectLong, int sleepMs) {
      Qt::CursorShape shape = Qt::ArrowCursor;
      busy.Run(expectLong, [&] {
        if (const QCursor* cursor = QGuiApplication::overrideCursor()) shape = cursor->shape();
        QTest::qSleep(sleepMs);
      });
      return shape;
    };
    QCOMPARE(cursorDuring(false, 0), Qt::ArrowCursor);
    QCOMPARE(cursorDuring(true, 0), Qt::WaitCursor);
    QCOMPARE(cursorDuring(false, 150), Qt::ArrowCursor);
    QCOMPARE(cursorDuring(false, 0), Qt::WaitCursor);  // after at least 150 ms of work
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    bool thrown = false;
    try {
      busy.Run(true, [] { throw std::runtime_error("failed"); });
    } catch (const std::runtime_error&) {
      thrown = true;
    }
    QVERIFY(thrown);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
  }

  void spinEditReadsTheTextAsTyped_data();
  void spinEditReadsTheTextAsTyped();
  void spinEditBringsTypedTextIntoRangeOnLeaving_data();
  void spinEditBringsTypedTextIntoRangeOnLeaving();
  void spinEditStepsStayInRange();
  void spinEditTypingAndChangeEvents();
  void numberEditMaskAndTyping();
  void numberEditRefusesTextThatIsNoNumber();
  void numberEditUsesTheUsersSeparator();
  void radioGroupItemIndexAndClick();
  void settingsPanelCollapsesAndRestoresItsHeight();
  void exceptionsAreShownOnceAndTheProgramGoesOn();
  void keyPreviewSeesEveryKeyOnceAndFirst();

 private:
  FakeDialogs& dialogs_;
};

void WidgetTests::spinEditReadsTheTextAsTyped_data() {
  QTest::addColumn<int>("minValue");
  QTest::addColumn<int>("maxValue");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("value");
  QTest::newRow("a number") << 5 << 100 << "25" << 25;
  QTest::newRow("above the maximum, as typed") << 1 << 100 << "150" << 150;
  QTest::newRow("below the minimum, as typed") << 5 << 100 << "3" << 3;
  QTest::newRow("leading zeros") << 1 << 100 << "007" << 7;
  QTest::newRow("empty reads as the minimum") << 5 << 100 << "" << 5;
  QTest::newRow("a lone minus reads as the minimum") << 5 << 100 << "-" << 5;
  QTest::newRow("a minus after a digit") << 1 << 100 << "1-2" << 1;
  QTest::newRow("beyond 32 bits") << 1 << 65535 << "99999999999" << 1;
  QTest::newRow("negative without bounds") << 0 << 0 << "-7" << -7;
  QTest::newRow("the lowest 32-bit number")
      << 0 << 0 << "-2147483648" << std::numeric_limits<int32_t>::min();
}

void WidgetTests::spinEditReadsTheTextAsTyped() {
  QFETCH(int, minValue);
  QFETCH(int, maxValue);
  QFETCH(QString, typed);
  QFETCH(int, value);
  auto* edit = new SpinEdit(minValue, maxValue, minValue, nullptr);
  Host host(edit);
  QVERIFY(host.Ready());
  TypeOver(edit, typed);
  if (typed.isEmpty()) QTest::keyClick(edit, Qt::Key_Backspace);
  QCOMPARE(edit->text(), typed);
  QCOMPARE(edit->Value(), value);
}

void WidgetTests::spinEditBringsTypedTextIntoRangeOnLeaving_data() {
  QTest::addColumn<int>("minValue");
  QTest::addColumn<int>("maxValue");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("left");
  QTest::newRow("the seed field above its maximum") << 1 << 65535 << "70000"
                                                    << "65535";
  QTest::newRow("the grid count below its minimum") << 5 << 100 << "3"
                                                    << "5";
  QTest::newRow("in range stays") << 5 << 100 << "25"
                                  << "25";
  QTest::newRow("no bounds: anything stays") << 0 << 0 << "-123456"
                                             << "-123456";
  // Text that reads as another number shows the number it reads.
  QTest::newRow("empty shows the minimum it reads") << 5 << 100 << ""
                                                    << "5";
  QTest::newRow("a lone minus shows the minimum") << 5 << 100 << "-"
                                                  << "5";
  QTest::newRow("no bounds: empty shows 0") << 0 << 0 << ""
                                            << "0";
}

void WidgetTests::spinEditBringsTypedTextIntoRangeOnLeaving() {
  QFETCH(int, minValue);
  QFETCH(int, maxValue);
  QFETCH(QString, typed);
  QFETCH(QString, left);
  auto* edit = new SpinEdit(minValue, maxValue, minValue == maxValue ? 1 : minValue, nullptr);
  Host host(edit);
  QVERIFY(host.Ready());
  TypeOver(edit, typed);
  if (typed.isEmpty()) QTest::keyClick(edit, Qt::Key_Backspace);
  QCOMPARE(edit->text(), typed);
  host.elsewhere->setFocus(Qt::TabFocusReason);
  QVERIFY(!edit->hasFocus());
  QCOMPARE(edit->text(), left);
}

void WidgetTests::spinEditStepsStayInRange() {
  auto* edit = new SpinEdit(1, 100, 99, nullptr);
  Host host(edit);
  QVERIFY(host.Ready());
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Up);
  QCOMPARE(edit->Value(), 100);
  QTest::keyClick(edit, Qt::Key_Up);
  QCOMPARE(edit->Value(), 100);
  const QPoint up = UpButton(edit).center();
  QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, up);
  QCOMPARE(edit->Value(), 100);
  // A step from typed text out of range lands in range.
  TypeOver(edit, "500");
  QTest::keyClick(edit, Qt::Key_Down);
  QCOMPARE(edit->Value(), 100);
  // A step from unreadable text starts at the minimum.
  TypeOver(edit, "-");
  QTest::keyClick(edit, Qt::Key_Up);
  QCOMPARE(edit->Value(), 2);
  edit->SetValue(0);
  QCOMPARE(edit->text(), QString("1"));
  edit->SetValue(1000);
  QCOMPARE(edit->text(), QString("100"));

  // Without bounds a step stops at the ends of 32 bits instead of wrapping round.
  edit->SetMinValue(0);
  edit->SetMaxValue(0);
  edit->SetValue(std::numeric_limits<int32_t>::max());
  QTest::keyClick(edit, Qt::Key_Up);
  QCOMPARE(edit->Value(), std::numeric_limits<int32_t>::max());
}

void WidgetTests::spinEditTypingAndChangeEvents() {
  auto* edit = new SpinEdit(5, 100, 10, nullptr);
  Host host(edit);
  QVERIFY(host.Ready());
  QSignalSpy changes(edit, &SpinEdit::Change);
  TypeOver(edit, "2x5.-");
  QCOMPARE(edit->text(), QString("25-"));
  QCOMPARE(changes.count(), 3);  // "2", "25", "25-": letters and stops change nothing
  edit->SetValue(25);
  QCOMPARE(changes.count(), 4);
  edit->SetValue(25);
  QCOMPARE(changes.count(), 4);  // the same text is no change
  QTest::keyClick(edit, Qt::Key_Up);
  QCOMPARE(changes.count(), 5);
  // Limits are only limits: setting them leaves the text as it is.
  edit->SetMaxValue(10);
  QCOMPARE(edit->text(), QString("26"));
  QCOMPARE(changes.count(), 5);
}

void WidgetTests::numberEditMaskAndTyping() {
  QLocale::setDefault(QLocale::c());
  auto* edit = new NumberEdit(350.0L, nullptr);
  Host host(edit);
  QVERIFY(host.Ready());
  QCOMPARE(edit->text(), QString("350.00"));
  TypeOver(edit, "12a.3-4.5");
  QCOMPARE(edit->text(), QString("12.345"));  // letters, minus and a second stop refused
  QCOMPARE(static_cast<double>(edit->Value()), 12.345);
  host.elsewhere->setFocus(Qt::TabFocusReason);
  QCOMPARE(edit->text(), QString("12.35"));  // the half rounds away from zero
  TypeOver(edit, "7");
  QTest::keyClick(edit, Qt::Key_Backspace);
  QCOMPARE(edit->text(), QString());
  QCOMPARE(static_cast<double>(edit->Value()), 0.0);
  host.elsewhere->setFocus(Qt::TabFocusReason);
  QCOMPARE(edit->text(), QString("0.00"));
  QVERIFY(dialogs_.exceptions.isEmpty());
  // However many digits are typed, the mask keeps them.
  TypeOver(edit, QString(70, u'9'));
  host.elsewhere->setFocus(Qt::TabFocusReason);
  // The extended value nearest to that lies just above 10^70: 71 digits, then ".00".
  QCOMPARE(edit->text().size(), 74);
  QVERIFY(edit->text().endsWith(".00"));
  QVERIFY(edit->Value() > 9.9e69L);
}

void WidgetTests::numberEditRefusesTextThatIsNoNumber() {
  QLocale::setDefault(QLocale::c());
  auto* edit = new NumberEdit(100.0L, nullptr);
  Host host(edit);
  QVERIFY(host.Ready());
  TypeOver(edit, "42");
  // A lone separator can be typed but is no number.
  TypeOver(edit, ".");
  QTRY_COMPARE(edit->text(), QString("42"));
  QCOMPARE(dialogs_.exceptions, QStringList{"'.' is not a valid floating point value"});
  QCOMPARE(static_cast<double>(edit->Value()), 42.0);
  // Pasted text goes through the same check.
  QApplication::clipboard()->setText("4e2x");
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  QTRY_COMPARE(edit->text(), QString("42"));
  QCOMPARE(dialogs_.exceptions.size(), 2);
  QCOMPARE(dialogs_.exceptions.last(), QString("'4e2x' is not a valid floating point value"));
}

void WidgetTests::numberEditUsesTheUsersSeparator() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  auto* edit = new NumberEdit(350.0L, nullptr);
  Host host(edit);
  QVERIFY(host.Ready());
  QCOMPARE(edit->text(), QString("350,00"));
  TypeOver(edit, "1.2,5,");
  QCOMPARE(edit->text(), QString("12,5"));  // the full stop is no separator here
  QCOMPARE(static_cast<double>(edit->Value()), 12.5);
  host.elsewhere->setFocus(Qt::TabFocusReason);
  QCOMPARE(edit->text(), QString("12,50"));
  QLocale::setDefault(QLocale::c());
}

void WidgetTests::radioGroupItemIndexAndClick() {
  auto* group = new RadioGroup("Style", {"Dash", "Dot", "DashDot"}, 1, nullptr);
  Host host(group);
  QVERIFY(host.Ready());
  QSignalSpy clicks(group, &RadioGroup::Click);
  QCOMPARE(group->ItemIndex(), 1);
  group->SetItemIndex(-1);
  QCOMPARE(group->ItemIndex(), -1);
  group->SetItemIndex(7);
  QCOMPARE(group->ItemIndex(), -1);
  group->SetItemIndex(2);
  QCOMPARE(group->ItemIndex(), 2);
  QCOMPARE(clicks.count(), 0);  // only the user clicks
  ClickItem(group->Item(0));
  QCOMPARE(group->ItemIndex(), 0);
  ClickItem(group->Item(0));
  QCOMPARE(group->ItemIndex(), 0);
  QCOMPARE(clicks.count(), 2);  // also a click on the item already selected
}

void WidgetTests::settingsPanelCollapsesAndRestoresItsHeight() {
  auto* panel = new SettingsPanel("Draw Settings", SettingsPanel::Kind::kCollapsible, 320, nullptr);
  auto* control = new QLineEdit(panel->Client());
  control->move(8, 35);
  Host host(panel);
  QVERIFY(host.Ready());
  QCOMPARE(panel->height(), 320);
  QTest::mouseClick(panel->CaptionButton(), Qt::LeftButton);
  QVERIFY(panel->IsCollapsed());
  QCOMPARE(panel->height(), SettingsPanel::kCaptionBarHeight);
  QVERIFY(!control->isVisible());
  QVERIFY(!control->isHidden());  // its own state is kept
  QTest::mouseClick(panel->CaptionButton(), Qt::LeftButton);
  QCOMPARE(panel->height(), 320);
  QVERIFY(control->isVisible());

  SettingsPanel fixed("Drawing Area", SettingsPanel::Kind::kFixed, 0, nullptr);
  QVERIFY(fixed.CaptionButton() == nullptr);
  fixed.Collapse();
  QVERIFY(!fixed.IsCollapsed());
}

void WidgetTests::exceptionsAreShownOnceAndTheProgramGoesOn() {
  RunHandler([] { throw std::runtime_error("the disk is full"); });
  RunHandler([] { throw 42; });  // not a std::exception: an empty message
  bool ranAfter = false;
  RunHandler([&] { ranAfter = true; });
  QCOMPARE(dialogs_.exceptions, (QStringList{"the disk is full", ""}));
  QVERIFY(ranAfter);

  // An exception raised while a widget paints is shown once the event loop is back.
  struct Throwing : QWidget {
    void paintEvent(QPaintEvent*) override { throw std::runtime_error("paint failed"); }
  };
  Throwing widget;
  widget.resize(50, 50);
  widget.show();
  QVERIFY(QTest::qWaitForWindowExposed(&widget));
  widget.repaint();
  QTRY_VERIFY(dialogs_.exceptions.contains("paint failed"));
}

void WidgetTests::keyPreviewSeesEveryKeyOnceAndFirst() {
  struct Previewing : QWidget {
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::KeyPress) {
        seen << QString("%1:%2").arg(watched->objectName()).arg(edit->text());
        return static_cast<QKeyEvent*>(event)->key() == Qt::Key_X;
      }
      return false;
    }
    QLineEdit* edit = nullptr;
    QStringList seen;
  };
  Previewing window;
  window.setProperty(kKeyPreview, true);
  window.edit = new QLineEdit(&window);
  window.edit->setObjectName("edit");
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  window.edit->setFocus();
  QTest::keyClicks(window.edit, "ab");
  QTest::keyClick(window.edit, Qt::Key_X);  // swallowed by the preview
  QCOMPARE(window.edit->text(), QString("ab"));
  QCOMPARE(window.seen, (QStringList{"edit:", "edit:a", "edit:ab"}));
}

}  // namespace pelmora

int main(int argc, char** argv) {
  pelmora::FakeDialogs dialogs;
  pelmora::Application application(argc, argv, dialogs);
  pelmora::Application::setStyle(QStyleFactory::create("Fusion"));
  pelmora::WidgetTests tests(dialogs);
  return QTest::qExec(&tests, argc, argv);
}

#include "widget_tests.moc"
