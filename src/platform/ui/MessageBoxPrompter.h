// The Prompter of the running program: a modal QMessageBox per prompt.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "platform/Prompter.h"

namespace pyxa {

class MessageBoxPrompter final : public Prompter {
 public:
  explicit MessageBoxPrompter(QWidget* parent = nullptr);

  // Shows the text as plain text (never as markup) with the title, "Pyxadesk" when empty. The
  // first button is the default; Escape or closing the box answers Cancel, or No for Yes/No.
  PromptAnswer Ask(const Prompt& prompt) override;

  // The answer a click on the button gives; NoButton (the box was closed) gives the escape answer.
  static PromptAnswer AnswerFor(PromptButtons buttons, QMessageBox::StandardButton clicked);
  static QMessageBox::StandardButtons ButtonsFor(PromptButtons buttons);
  static QMessageBox::Icon IconFor(PromptIcon icon);

 private:
  QPointer<QWidget> parent_;
};

}  // namespace pyxa
