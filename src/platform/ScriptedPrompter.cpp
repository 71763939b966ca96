#include "platform/ScriptedPrompter.h"

namespace pyxa {

PromptAnswer ScriptedPrompter::Ask(const Prompt& prompt) {
  prompts_.append(prompt);
  if (!script_.isEmpty()) return script_.dequeue();
  ++unscripted_;
  const bool okButton = prompt.buttons == PromptButtons::Ok || prompt.buttons == PromptButtons::OkCancel;
  return okButton ? PromptAnswer::Ok : PromptAnswer::Yes;
}

void ScriptedPrompter::Script(PromptAnswer answer) { script_.enqueue(answer); }

void ScriptedPrompter::Script(std::initializer_list<PromptAnswer> answers) {
  for (const PromptAnswer answer : answers) script_.enqueue(answer);
}

Prompt ScriptedPrompter::LastPrompt() const { return prompts_.isEmpty() ? Prompt{} : prompts_.back(); }

QStringList ScriptedPrompter::Texts() const {
  QStringList texts;
  for (const Prompt& prompt : prompts_) texts << prompt.text;
  return texts;
}

void ScriptedPrompter::Clear() {
  prompts_.clear();
  script_.clear();
  unscripted_ = 0;
}

}  // namespace pyxa
