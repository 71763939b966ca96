#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/ScriptedPrompter.h"
#include "platform/ui/MessageBoxPrompter.h"

namespace pyxa {
namespace {

TEST(ScriptedPrompter, AnswersFromTheScriptThenOkOrYesAndCountsThose) {
  ScriptedPrompter prompter;
  prompter.Script({PromptAnswer::No, PromptAnswer::Cancel});
  EXPECT_FALSE(prompter.YesNo(QStringLiteral("You are Exiting Pyxa, Continue?")));
  EXPECT_EQ(prompter.Ask({QStringLiteral("Save?"), QString(), PromptIcon::Question, PromptButtons::YesNoCancel}),
            PromptAnswer::Cancel);
  EXPECT_EQ(prompter.UnscriptedCount(), 0);

  EXPECT_EQ(prompter.Ask({QStringLiteral("a"), QString(), PromptIcon::None, PromptButtons::OkCancel}),
            PromptAnswer::Ok);
  EXPECT_TRUE(prompter.YesNo(QStringLiteral("b")));
  prompter.Critical(QStringLiteral("An error has occurred."));
  EXPECT_EQ(prompter.UnscriptedCount(), 3);
  EXPECT_EQ(prompter.Texts().size(), 5);
  EXPECT_EQ(prompter.LastPrompt().icon, PromptIcon::Critical);

  prompter.Script(PromptAnswer::No);
  prompter.Clear();
  EXPECT_EQ(prompter.Count() + prompter.UnscriptedCount() + prompter.PendingAnswers(), 0);
}

// Runs `act` on the message box once it is shown.
void WhenBoxShows(std::function<void(QMessageBox&)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(*box);
  });
  timer->start(5);
}

struct Shown {
  QString text, title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  Qt::TextFormat format = Qt::AutoText;
};

PromptAnswer AskAndDo(const Prompt& prompt, std::function<void(QMessageBox&)> act, Shown* shown = nullptr) {
  WhenBoxShows([act, shown](QMessageBox& box) {
    if (shown) {
      *shown = {box.text(),
                box.windowTitle(),
                box.icon(),
                box.standardButtons(),
                box.standardButton(box.defaultButton()),
                box.textFormat()};
    }
    act(box);
  });
  MessageBoxPrompter prompter(nullptr);
  return prompter.Ask(prompt);
}

void PressEnter(QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }
void PressEscape(QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }
std::function<void(QMessageBox&)> Click(QMessageBox::StandardButton which) {
  return [which](QMessageBox& box) { box.button(which)->click(); };
}

TEST(MessageBoxPrompter, ShowsTextTitleIconAndButtonsAsPlainText) {
  Shown shown;
  const QString text = QStringLiteral("Patient <b>O'Neil</b> & co\nline two");
  EXPECT_EQ(AskAndDo({text, QString(), PromptIcon::Question, PromptButtons::YesNo}, PressEnter, &shown),
            PromptAnswer::Yes);
  EXPECT_EQ(shown.text, text);
  EXPECT_EQ(shown.title, QStringLiteral("Pyxadesk"));
  EXPECT_EQ(shown.icon, QMessageBox::Question);
  EXPECT_EQ(shown.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(shown.defaultButton, QMessageBox::Yes);
  EXPECT_EQ(shown.format, Qt::PlainText);

  EXPECT_EQ(AskAndDo({QStringLiteral("x"), QStringLiteral("Search"), PromptIcon::Critical, PromptButtons::Ok},
                     PressEnter, &shown),
            PromptAnswer::Ok);
  EXPECT_EQ(shown.title, QStringLiteral("Search"));
  EXPECT_EQ(shown.icon, QMessageBox::Critical);
  EXPECT_EQ(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST(MessageBoxPrompter, ClickedButtonOrEscapeMapsBackToTheAnswer) {
  const auto ask = [](PromptButtons buttons, std::function<void(QMessageBox&)> act) {
    return AskAndDo({QStringLiteral("q"), QString(), PromptIcon::Warning, buttons}, act);
  };
  EXPECT_EQ(ask(PromptButtons::YesNo, Click(QMessageBox::No)), PromptAnswer::No);
  EXPECT_EQ(ask(PromptButtons::YesNo, PressEscape), PromptAnswer::No);
  EXPECT_EQ(ask(PromptButtons::YesNoCancel, Click(QMessageBox::No)), PromptAnswer::No);
  EXPECT_EQ(ask(PromptButtons::YesNoCancel, PressEscape), PromptAnswer::Cancel);
  EXPECT_EQ(ask(PromptButtons::OkCancel, Click(QMessageBox::Cancel)), PromptAnswer::Cancel);
  EXPECT_EQ(ask(PromptButtons::OkCancel, PressEscape), PromptAnswer::Cancel);
  EXPECT_EQ(ask(PromptButtons::OkCancel, PressEnter), PromptAnswer::Ok);
  EXPECT_EQ(ask(PromptButtons::Ok, PressEscape), PromptAnswer::Ok);
  EXPECT_EQ(ask(PromptButtons::YesNoCancel, [](QMessageBox& box) { box.close(); }), PromptAnswer::Cancel);

  // A box closed without any button answers as Escape would.
  EXPECT_EQ(MessageBoxPrompter::AnswerFor(PromptButtons::YesNo, QMessageBox::NoButton), PromptAnswer::No);
  EXPECT_EQ(MessageBoxPrompter::AnswerFor(PromptButtons::OkCancel, QMessageBox::NoButton), PromptAnswer::Cancel);
  EXPECT_EQ(MessageBoxPrompter::AnswerFor(PromptButtons::Ok, QMessageBox::NoButton), PromptAnswer::Ok);
}

}  // namespace
}  // namespace pyxa
