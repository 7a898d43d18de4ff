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
  void Clear() {
    messages.clear();
    exceptions.clear();
    pickedFrom.clear();
    answer.reset();
  }

  QStringList messages;
  QStringList exceptions;
  std::vector<Colour> pickedFrom;  // the colour the picker opened with, at each opening
  std::optional<Colour> answer;    // what the user confirms; nothing: the user cancels
};

}  // namespace pelmora
