// The window's own frame: no frame of the system's, the title bar's buttons, its system menu, the
// double click on the bar, and the minimum size.
#include <QApplication>
#include <QStyleFactory>
#include <QTest>
#include <memory>

#include "tests/ui/fake_dialogs.h"
#include "ui/application.h"
#include "ui/unit1.h"
#include "ui/window_fonts.h"

namespace pelmora {

class FrameTests : public QObject {
  Q_OBJECT

 public:
  explicit FrameTests(Dialogs& dialogs) : dialogs_(dialogs) {}

 private slots:
  void init() {
    form_ = std::make_unique<TForm1>(state_, dialogs_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void cleanup() { form_.reset(); }

  void theWindowDrawsItsOwnBar() {
    QVERIFY(form_->windowFlags().testFlag(Qt::FramelessWindowHint));
    WindowFrame* frame = form_->suiForm1;
    // The buttons lie on the bar, in the order of a title bar: menu at the left; minimise,
    // maximise and close at the right.
    for (QToolButton* button : {frame->SystemMenuButton(), frame->MinimiseButton(),
                                frame->MaximiseButton(), frame->CloseButton()}) {
      QVERIFY(button->isVisible());
      QVERIFY(button->geometry().bottom() < WindowFrame::kCaptionStripHeight);
      QVERIFY(!button->toolTip().isEmpty());
    }
    QVERIFY(frame->SystemMenuButton()->x() < frame->MinimiseButton()->x());
    QVERIFY(frame->MinimiseButton()->x() < frame->MaximiseButton()->x());
    QVERIFY(frame->MaximiseButton()->x() < frame->CloseButton()->x());
    QCOMPARE(frame->CloseButton()->geometry().right(), form_->width() - 7);
    // The caption is drawn on the bar once, in white: some of its pixels are white.
    const QImage bar = frame->grab(QRect(0, 0, frame->width(), WindowFrame::kCaptionStripHeight))
                           .toImage()
                           .convertToFormat(QImage::Format_RGB32);
    int white = 0;
    for (int y = 0; y < bar.height(); ++y) {
      for (int x = 40; x < 200; ++x) white += bar.pixel(x, y) == qRgb(255, 255, 255);
    }
    QVERIFY(white > 20);
  }

  void minimiseButtonMinimises() {
    QTest::mouseClick(form_->suiForm1->MinimiseButton(), Qt::LeftButton);
    QTRY_VERIFY(form_->isMinimized());
  }

  void maximiseButtonAndDoubleClickMaximiseAndRestore() {
    WindowFrame* frame = form_->suiForm1;
    QTest::mouseClick(frame->MaximiseButton(), Qt::LeftButton);
    QTRY_VERIFY(form_->isMaximized());
    QVERIFY(frame->MaximiseButton()->toolTip().startsWith("Restore"));
    QTest::mouseClick(frame->MaximiseButton(), Qt::LeftButton);
    QTRY_VERIFY(!form_->isMaximized());
    QVERIFY(frame->MaximiseButton()->toolTip().startsWith("Maximise"));
    const QPoint onBar(300, WindowFrame::kCaptionStripHeight / 2);
    QTest::mouseDClick(frame, Qt::LeftButton, Qt::NoModifier, onBar);
    QTRY_VERIFY(form_->isMaximized());
    QTest::mouseDClick(frame, Qt::LeftButton, Qt::NoModifier, onBar);
    QTRY_VERIFY(!form_->isMaximized());
    // A double click below the bar changes nothing.
    QTest::mouseDClick(frame, Qt::LeftButton, Qt::NoModifier,
                       QPoint(300, WindowFrame::kCaptionStripHeight + 5));
    QTest::qWait(20);
    QVERIFY(!form_->isMaximized());
  }

  void systemMenuActs() {
    QMenu* menu = form_->suiForm1->SystemMenu();
    QStringList texts;
    QList<QAction*> actions;
    for (QAction* action : menu->actions()) {
      if (action->isSeparator()) continue;
      texts << action->text();
      actions << action;
    }
    QCOMPARE(texts, QStringList({"Restore", "Minimise", "Maximise", "Close"}));
    QVERIFY(!actions[0]->isEnabled());
    actions[2]->trigger();
    QTRY_VERIFY(form_->isMaximized());
    QVERIFY(actions[0]->isEnabled());
    QVERIFY(!actions[2]->isEnabled());
    actions[0]->trigger();
    QTRY_VERIFY(!form_->isMaximized());
    actions[3]->trigger();
    QTRY_VERIFY(!form_->isVisible());
  }

  void closeButtonClosesTheWindow() {
    // The program's end with status 0 is close_program.sh's.
    QTest::mouseClick(form_->suiForm1->CloseButton(), Qt::LeftButton);
    QTRY_VERIFY(!form_->isVisible());
  }

  void edgesResizeAndTheMinimumSizeHolds() {
    WindowFrame* frame = form_->suiForm1;
    QCOMPARE(frame->EdgesAt(QPoint(1, 300)), Qt::Edges(Qt::LeftEdge));
    QCOMPARE(frame->EdgesAt(QPoint(frame->width() - 1, frame->height() - 1)),
             Qt::RightEdge | Qt::BottomEdge);
    QCOMPARE(frame->EdgesAt(QPoint(300, 1)), Qt::Edges(Qt::TopEdge));
    QCOMPARE(frame->EdgesAt(QPoint(300, 300)), Qt::Edges());
    // The grips lie above the side channel and the Drawing Area.
    QCOMPARE(frame->childAt(1, 300)->parentWidget(), frame);
    QVERIFY(qobject_cast<QToolButton*>(frame->childAt(1, 300)) == nullptr);
    QCOMPARE(frame->childAt(600, frame->height() - 1)->parentWidget(), frame);
    form_->resize(10, 10);
    QApplication::processEvents();
    QCOMPARE(form_->size(), QSize(125, 50));
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
  pelmora::LoadWindowFonts();
  // Closing a test's window must not end the tests.
  pelmora::Application::setQuitOnLastWindowClosed(false);
  pelmora::FrameTests tests(dialogs);
  return QTest::qExec(&tests, argc, argv);
}

#include "frame_tests.moc"
