#include "platform/ui/MessageBoxPrompter.h"

namespace pyxa {
namespace {

QMessageBox::StandardButton EscapeButton(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::Ok:
      return QMessageBox::Ok;
    case PromptButtons::YesNo:
      return QMessageBox::No;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
      break;
  }
  return QMessageBox::Cancel;
}

QMessageBox::StandardButton DefaultButton(PromptButtons buttons) {
  return (buttons == PromptButtons::Ok || buttons == PromptButtons::OkCancel) ? QMessageBox::Ok : QMessageBox::Yes;
}

}  // namespace

MessageBoxPrompter::MessageBoxPrompter(QWidget* parent) : parent_(parent) {}

QMessageBox::StandardButtons MessageBoxPrompter::ButtonsFor(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::Ok:
      return QMessageBox::Ok;
    case PromptButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
      break;
  }
  return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
}

QMessageBox::Icon MessageBoxPrompter::IconFor(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Information:
      return QMessageBox::Information;
    case PromptIcon::Question:
      return QMessageBox::Question;
    case PromptIcon::Warning:
      return QMessageBox::Warning;
    case PromptIcon::Critical:
      return QMessageBox::Critical;
    case PromptIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

PromptAnswer MessageBoxPrompter::AnswerFor(PromptButtons buttons, QMessageBox::StandardButton clicked) {
  if (!(ButtonsFor(buttons) & clicked)) clicked = EscapeButton(buttons);
  switch (clicked) {
    case QMessageBox::Yes:
      return PromptAnswer::Yes;
    case QMessageBox::No:
      return PromptAnswer::No;
    case QMessageBox::Cancel:
      return PromptAnswer::Cancel;
    default:
      return PromptAnswer::Ok;
  }
}

PromptAnswer MessageBoxPrompter::Ask(const Prompt& prompt) {
  QMessageBox box(parent_.data());
  box.setTextFormat(Qt::PlainText);  // texts carry names and service messages, never markup
  box.setText(prompt.text);
  box.setWindowTitle(prompt.title.isEmpty() ? kProductName : prompt.title);
  box.setIcon(IconFor(prompt.icon));
  box.setStandardButtons(ButtonsFor(prompt.buttons));
  box.setDefaultButton(DefaultButton(prompt.buttons));
  box.setEscapeButton(EscapeButton(prompt.buttons));
  box.exec();
  return AnswerFor(prompt.buttons, box.standardButton(box.clickedButton()));
}

}  // namespace pyxa
