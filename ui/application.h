// The application object: the one place where an exception raised while an event is handled is
// caught and shown, and the key preview of windows.
#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

#include "ui/dialogs.h"

namespace pelmora {

// The dynamic property that turns key preview on for a window: its eventFilter(receiver, event)
// then sees every key press meant for a widget of the window (or the window itself), once and
// before that widget does. Returning true there swallows the key.
inline constexpr const char* kKeyPreview = "keyPreview";

class Application : public QApplication {
 public:
  // dialogs shows the exceptions; it must outlive the application.
  Application(int& argc, char** argv, Dialogs& dialogs);

  // Delivers event. An exception escaping its delivery stops here: it is shown by the exception
  // display and the event counts as not handled; the program goes on. One raised while a paint
  // event is delivered is shown as soon as the event loop is back.
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  Dialogs& dialogs_;
  int paintDepth_ = 0;  // paint events being delivered, nested
};

// The message of the exception p: what() of a std::exception, empty for any other kind.
QString ExceptionMessage(std::exception_ptr p);

// Runs handler inside an event delivery of its own, so that an exception it raises reaches the
// exception display and ends there, without unwinding the widget code that called it.
// REQUIRES: an Application exists.
void RunHandler(const std::function<void()>& handler);

}  // namespace pelmora
