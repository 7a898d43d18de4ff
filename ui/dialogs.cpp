#include "ui/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "generator/generation_run.h"

namespace pelmora {

namespace {

void ShowBox(QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace

void ModalDialogs::ShowMessage(const QString& text) {
  ShowBox(QMessageBox::NoIcon, text);
}

void ModalDialogs::ShowException(const QString& message) {
  ShowBox(QMessageBox::Critical, message);
}

std::optional<Colour> ModalDialogs::PickColour(Colour initial) {
  const QColor chosen = QColorDialog::getColor(
      QColor(RedOf(initial), GreenOf(initial), BlueOf(initial)), QApplication::activeWindow());
  if (!chosen.isValid()) return std::nullopt;
  return static_cast<Colour>(chosen.red()) | static_cast<Colour>(chosen.green()) << 8 |
         static_cast<Colour>(chosen.blue()) << 16;
}

std::optional<QString> ModalDialogs::AskPictureFileName(const QString& suggested) {
  const QString name = QFileDialog::getSaveFileName(
      QApplication::activeWindow(), QStringLiteral("Save Picture"), suggested,
      QStringLiteral("PNG picture (*.png);;SVG picture (*.svg)"));
  if (name.isEmpty()) return std::nullopt;
  return name;
}

ColourDialog::ColourDialog(Colour colour, Dialogs& dialogs, QObject* parent)
    : QObject(parent), colour_(colour), dialogs_(dialogs) {}

bool ColourDialog::Execute() {
  const std::optional<Colour> chosen = dialogs_.PickColour(colour_);
  if (!chosen) return false;
  colour_ = *chosen;
  return true;
}

}  // namespace pelmora
