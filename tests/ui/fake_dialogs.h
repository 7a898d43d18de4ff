// Dialogs that record what the program would show and answer the colour picker as told, so that
// no test waits on a modal window.
#pragma once

#include <QStringList>
#include <optional>
#include <vector>

#include "ui/dialogs.h"

namespace pelmora {

struct FakeDialogs final : Dialogs {
  void ShowMessage(const QString& text) override { messages << text; }
  void ShowException(const QString& message) override { exceptions << message; }
  std::optional<Colour> PickColour(Colour initial) override {
    pickedFrom.push_back(initial);
    return answer;
  }
  std::optional<QString> AskPictureFileName(const QString& suggested) override {
    askedWith << suggested;
    return pictureName;
  }
  void Clear() {
    messages.clear();
    exceptions.clear();
    pickedFrom.clear();
    answer.reset();
    askedWith.clear();
    pictureName.reset();
  }

  QStringList messages;
  QStringList exceptions;
  std::vector<Colour> pickedFrom;  // the colour the picker opened with, at each opening
  std::optional<Colour> answer;    // what the user confirms; nothing: the user cancels
  QStringList askedWith;              // the name the save dialog suggested, at each opening
  std::optional<QString> pictureName;  // the file the user chooses; nothing: the user cancels
};

}  // namespace pelmora
