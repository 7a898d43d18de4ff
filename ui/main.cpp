// pelmora: the window.
#include <QStyleFactory>

#include "generator/generation_run.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/unit1.h"
#include "ui/window_fonts.h"

int main(int argc, char** argv) {
  pelmora::ModalDialogs dialogs;
  // 1. The application, with Qt's Fusion look in place of the skin.
  pelmora::Application application(argc, argv, dialogs);
  pelmora::Application::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  // 2. The title: the task-bar entry and the caption of every message box.
  pelmora::Application::setApplicationDisplayName(QString::fromUtf8(pelmora::kApplicationTitle));
  // Tahoma and MS Sans Serif from fonts-wine, where it is installed.
  pelmora::LoadWindowFonts();
  // The box table, scene settings and random source (seeded with 1) of the process.
  pelmora::GeneratorState state;
  try {
    // 3. The main window; 4. the event loop until it is closed.
    pelmora::TForm1 window(state, dialogs);
    window.show();
    pelmora::Application::exec();
  } catch (...) {
    dialogs.ShowException(pelmora::ExceptionMessage(std::current_exception()));
  }
  // 5. Whatever happened.
  return 0;
}
