// A Prompter for tests: records every prompt and answers from a script. When the script has
// run out it answers Ok or Yes and counts the answer as unscripted, so a test can assert that
// no question went by unplanned.
#pragma once

#include <QList>
#include <QQueue>
#include <QStringList>
#include <initializer_list>

#include "platform/Prompter.h"

namespace pyxa {

class ScriptedPrompter final : public Prompter {
 public:
  PromptAnswer Ask(const Prompt& prompt) override;

  // Queues answers for the next prompts, in order.
  void Script(PromptAnswer answer);
  void Script(std::initializer_list<PromptAnswer> answers);

  const QList<Prompt>& Prompts() const { return prompts_; }
  int Count() const { return static_cast<int>(prompts_.size()); }
  // The last prompt asked; an empty prompt when none was.
  Prompt LastPrompt() const;
  QStringList Texts() const;
  int UnscriptedCount() const { return unscripted_; }
  int PendingAnswers() const { return static_cast<int>(script_.size()); }

  // Forgets the prompts, the remaining script and the unscripted count.
  void Clear();

 private:
  QList<Prompt> prompts_;
  QQueue<PromptAnswer> script_;
  int unscripted_ = 0;
};

}  // namespace pyxa
