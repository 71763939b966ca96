// Message boxes as an injectable service: windows ask a Prompter, tests script its answers.
#pragma once

#include <QString>

namespace pyxa {

enum class PromptIcon { None, Information, Question, Warning, Critical };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// The title every message of the program carries unless a caller names another.
inline const QString kProductName = QStringLiteral("Pyxadesk");

struct Prompt {
  QString text;
  QString title;  // empty: the program's default title
  PromptIcon icon = PromptIcon::None;
  PromptButtons buttons = PromptButtons::Ok;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual PromptAnswer Ask(const Prompt& prompt) = 0;

  // Shorthands for the shapes the program uses most.
  void Critical(const QString& text) { Ask({text, kProductName, PromptIcon::Critical, PromptButtons::Ok}); }
  void Information(const QString& text, const QString& title = kProductName) {
    Ask({text, title, PromptIcon::Information, PromptButtons::Ok});
  }
  void Notice(const QString& text) { Ask({text, QString(), PromptIcon::None, PromptButtons::Ok}); }
  bool YesNo(const QString& text, const QString& title = kProductName) {
    return Ask({text, title, PromptIcon::Question, PromptButtons::YesNo}) == PromptAnswer::Yes;
  }
};

}  // namespace pyxa
