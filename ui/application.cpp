#include "ui/application.h"

#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

namespace pelmora {

namespace {

// The event that RunHandler delivers: its receiver runs the handler while the event is handled.
const QEvent::Type kHandlerEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class HandlerEvent : public QEvent {
 public:
  explicit HandlerEvent(const std::function<void()>& handler)
      : QEvent(kHandlerEvent), handler_(handler) {}
  void Run() const { handler_(); }

 private:
  const std::function<void()>& handler_;
};

class HandlerReceiver : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() != kHandlerEvent) return QObject::event(event);
    static_cast<HandlerEvent*>(event)->Run();
    return true;
  }
};

// Passes a key press to the key preview of the receiver's window; true when it swallowed it.
bool PreviewKey(QObject* receiver, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !receiver->isWidgetType()) return false;
  QWidget* window = static_cast<QWidget*>(receiver)->window();
  if (window == nullptr || !window->property(kKeyPreview).toBool()) return false;
  return window->eventFilter(receiver, event);
}

}  // namespace

Application::Application(int& argc, char** argv, Dialogs& dialogs)
    : QApplication(argc, argv), dialogs_(dialogs) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  const bool paint = event->type() == QEvent::Paint;
  paintDepth_ += paint ? 1 : 0;
  try {
    const bool handled = PreviewKey(receiver, event) || QApplication::notify(receiver, event);
    paintDepth_ -= paint ? 1 : 0;
    return handled;
  } catch (...) {
    const bool inPaint = paintDepth_ > 0;
    paintDepth_ -= paint ? 1 : 0;
    const QString message = ExceptionMessage(std::current_exception());
    if (inPaint) {
      // A modal box must not run its event loop inside a paint event: it is shown right after.
      QTimer::singleShot(0, this, [this, message] { dialogs_.ShowException(message); });
    } else {
      dialogs_.ShowException(message);
    }
    return false;
  }
}

QString ExceptionMessage(std::exception_ptr p) {
  try {
    std::rethrow_exception(p);
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QString();
  }
}

void RunHandler(const std::function<void()>& handler) {
  HandlerReceiver receiver;
  HandlerEvent event(handler);
  QCoreApplication::sendEvent(&receiver, &event);
}

}  // namespace pelmora
