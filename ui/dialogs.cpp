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
  QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("Save Picture"), suggested,
                     QStringLiteral("PNG picture (*.png);;SVG picture (*.svg)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // A name typed without an extension takes the one of the chosen kind, before the dialog asks
  // whether to replace a file, so it asks about the file that will be written.
  dialog.setDefaultSuffix(QStringLiteral("png"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
    dialog.setDefaultSuffix(f.contains(QStringLiteral("*.svg")) ? QStringLiteral("svg")
                                                                 : QStringLiteral("png"));
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
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
