// The modal windows of the program, behind one small interface so that tests can replace them
// and never wait on a modal window.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "drawing/canvas.h"

namespace pelmora {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal message box with an OK button, captioned with the application title.
  virtual void ShowMessage(const QString& text) = 0;
  // The exception display: a modal message box with an error icon and an OK button, captioned
  // with the application title, showing message (which may be empty).
  virtual void ShowException(const QString& message) = 0;
  // The modal colour picker, opening with initial selected: the colour the user confirmed, or
  // nothing when the user cancelled.
  virtual std::optional<Colour> PickColour(Colour initial) = 0;
  // The modal dialog that asks where to save a picture, opening on suggested: the file name the
  // user chose, or nothing when the user cancelled.
  virtual std::optional<QString> AskPictureFileName(const QString& suggested) = 0;
};

// QMessageBox and QColorDialog, over the active window.
class ModalDialogs final : public Dialogs {
 public:
  void ShowMessage(const QString& text) override;
  void ShowException(const QString& message) override;
  std::optional<Colour> PickColour(Colour initial) override;
  std::optional<QString> AskPictureFileName(const QString& suggested) override;
};

// The colour dialog component: the box colour it holds and the modal picker that may change it.
// It has no place on screen of its own.
class ColourDialog : public QObject {
 public:
  ColourDialog(Colour colour, Dialogs& dialogs, QObject* parent);

  Colour Color() const { return colour_; }
  void SetColor(Colour colour) { colour_ = colour; }

  // Runs the picker opening with Color(). True when the user confirmed; Color() is then the
  // chosen colour (also when it is the one it was). False when cancelled; nothing changes.
  bool Execute();

 private:
  Colour colour_;
  Dialogs& dialogs_;
};

}  // namespace pelmora
