#include "FakeService.h"
#include "platform/ScriptedPrompter.h"
#include "shell/PreferenceRules.h"
#include "shell/ui/frmLogin.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <gtest/gtest.h>
#include <system_error>

namespace pyxa {
namespace {

using testing::FakeServiceFactory;
using testing::FakeServiceLog;

class LoginWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.WebServiceURL = QStringLiteral("file:///demo/clinic.sqlite");
    window = std::make_unique<frmLogin>(controller);
    window->show();
    login = window->findChild<QLineEdit*>(QStringLiteral("txtLogin"));
    password = window->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
    button = window->findChild<QPushButton*>(QStringLiteral("cmdLogin"));
    ASSERT_TRUE(login && password && button);
  }
  void Type(const QString& name, const QString& secret) {
    login->setText(name);
    password->setText(secret);
  }

  FakeServiceLog log;
  FakeServiceFactory factory{log};
  Session session;
  AppSettings settings;
  ScriptedPrompter prompter;
  LoginController controller{factory, session, settings, prompter};
  std::unique_ptr<frmLogin> window;
  QLineEdit* login = nullptr;
  QLineEdit* password = nullptr;
  QPushButton* button = nullptr;
};

TEST_F(LoginWindowTest, EnterInThePasswordBoxLogsInAndKeepsTheSession) {
  Type(QStringLiteral("demo"), QStringLiteral("demo"));
  password->setFocus();
  QTest::keyClick(password, Qt::Key_Return);
  EXPECT_EQ(window->AuthenticationMark(), QStringLiteral("AUTHENTICATED"));
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(log.calls, (QStringList{QStringLiteral("Connect(demo,demo,file:///demo/clinic.sqlite)"),
                                    QStringLiteral("SetTimeOffset(demo)")}));
  EXPECT_EQ(session.Login(), QStringLiteral("demo"));
  EXPECT_EQ(session.Password(), QStringLiteral("demo"));
  EXPECT_EQ(session.Url(), QStringLiteral("file:///demo/clinic.sqlite"));
  EXPECT_EQ(settings.LastLogin, QStringLiteral("demo"));
  EXPECT_TRUE(prompter.Prompts().empty());
}

TEST_F(LoginWindowTest, EnterInTheLoginBoxLogsInToo) {
  Type(QStringLiteral("demo"), QStringLiteral("demo"));
  login->setFocus();
  QTest::keyClick(login, Qt::Key_Enter);
  EXPECT_EQ(window->AuthenticationMark(), QStringLiteral("AUTHENTICATED"));
}

TEST_F(LoginWindowTest, AWrongPasswordEmptiesThePasswordBoxAndEveryAttemptGetsAFreshObject) {
  log.connectFailures = {kWrongLoginOrPassword, kWrongLoginOrPassword};
  Type(QStringLiteral("demo"), QStringLiteral("nope"));
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("You have entered invalid login information.\n                     Please try again."));
  EXPECT_EQ(prompter.Prompts()[0].title, QString());  // the default title
  EXPECT_TRUE(password->text().isEmpty());
  EXPECT_EQ(login->text(), QStringLiteral("demo"));
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->AuthenticationMark(), QString());
  EXPECT_FALSE(session.IsOpen());  // the failed object is released

  password->setText(QStringLiteral("again"));
  QTest::mouseClick(button, Qt::LeftButton);
  password->setText(QStringLiteral("demo"));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(log.objectsCreated, 3);
  EXPECT_EQ(window->AuthenticationMark(), QStringLiteral("AUTHENTICATED"));
}

// Looks at the window while its message is up.
struct SpyPrompter final : Prompter {
  PromptAnswer Ask(const Prompt&) override {
    onAsk();
    return PromptAnswer::Ok;
  }
  std::function<void()> onAsk;
};

TEST(LoginWindowOrder, ThePasswordIsEmptiedAndThePointerRestoredBeforeTheMessage) {
  FakeServiceLog log;
  log.connectFailures = {kWrongLoginOrPassword};
  FakeServiceFactory factory(log);
  Session session;
  AppSettings settings;
  SpyPrompter spy;
  LoginController controller(factory, session, settings, spy);
  frmLogin window(controller);
  window.show();
  auto* password = window.findChild<QLineEdit*>(QStringLiteral("txtPassword"));
  password->setText(QStringLiteral("nope"));
  bool checked = false;
  spy.onAsk = [&] {
    checked = true;
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  };
  window.findChild<QPushButton*>(QStringLiteral("cmdLogin"))->click();
  EXPECT_TRUE(checked);
}

TEST_F(LoginWindowTest, CredentialWordsInAnotherCaseGetTheGenericMessage) {
  log.connectFailures = {QStringLiteral("wrong login or password")};
  Type(QStringLiteral("demo"), QStringLiteral("x"));
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("An error has occurred.\n#-2147467259\nDescription: wrong login or password"));
  EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::Critical);
  EXPECT_EQ(prompter.Prompts()[0].title, QStringLiteral("Pyxadesk"));
}

TEST(LoginWindowFailure, AFailureOutsideTheServiceShowsItsSystemErrorNotZero) {
  struct NoService final : ClinicalServiceFactory {
    std::unique_ptr<ClinicalService> Create() override {
      throw std::system_error(EMFILE, std::generic_category(), "the clinic cannot be opened");
    }
  } factory;
  Session session;
  AppSettings settings;
  ScriptedPrompter prompter;
  LoginController controller{factory, session, settings, prompter};
  frmLogin window(controller);
  window.show();
  window.findChild<QLineEdit*>(QStringLiteral("txtLogin"))->setText(QStringLiteral("demo"));
  window.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("demo"));
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdLogin")), Qt::LeftButton);
  EXPECT_EQ(prompter.Texts().join(QLatin1Char('|')).toStdString(),
            "An error has occurred.\n#24\nDescription: the clinic cannot be opened: Too many open files");
}

TEST_F(LoginWindowTest, AnEmptyUrlConnectsWithTwoArguments) {
  settings.WebServiceURL.clear();
  Type(QStringLiteral("demo"), QStringLiteral("demo"));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(log.calls.first(), QStringLiteral("Connect(demo,demo)"));
  EXPECT_EQ(session.Url(), QStringLiteral("file:///default/clinic.sqlite"));
}

// An http: address is not used until the user accepts it as insecure, and then for that address only.
TEST_F(LoginWindowTest, AnInsecureAddressIsUsedOnlyOnceTheUserAcceptsIt) {
  settings.WebServiceURL = QStringLiteral("http://records.example/ws");
  Type(QStringLiteral("demo"), QStringLiteral("demo"));
  prompter.Script(PromptAnswer::No);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(prompter.Texts(), QStringList{kInsecureQuestion});
  EXPECT_TRUE(log.calls.isEmpty());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(settings.WebServiceInsecureURL.isEmpty());

  prompter.Script(PromptAnswer::Yes);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(window->AuthenticationMark(), QStringLiteral("AUTHENTICATED"));
  EXPECT_EQ(settings.WebServiceInsecureURL, QStringLiteral("http://records.example/ws"));

  // Accepted once, not asked again; another insecure address is asked about anew.
  prompter.Clear();
  frmLogin again(controller);
  again.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("demo"));
  QTest::mouseClick(again.findChild<QPushButton*>(QStringLiteral("cmdLogin")), Qt::LeftButton);
  EXPECT_EQ(prompter.Count(), 0);
  settings.WebServiceURL = QStringLiteral("http://elsewhere.example/ws");
  prompter.Script(PromptAnswer::No);
  QTest::mouseClick(again.findChild<QPushButton*>(QStringLiteral("cmdLogin")), Qt::LeftButton);
  EXPECT_EQ(prompter.Texts(), QStringList{kInsecureQuestion});
}

TEST_F(LoginWindowTest, SetUserStartsInThePasswordBoxFollowedByTheButton) {
  window->SetUser(QStringLiteral("clerk"));
  EXPECT_EQ(login->text(), QStringLiteral("clerk"));
  QApplication::setActiveWindow(window.get());
  EXPECT_TRUE(password->hasFocus() || window->focusWidget() == password);
  EXPECT_EQ(password->nextInFocusChain(), button);
}

TEST_F(LoginWindowTest, WithoutAStoredUserTheTabOrderIsLoginPasswordButton) {
  window->SetUser(QString());
  EXPECT_TRUE(login->text().isEmpty());
  EXPECT_EQ(login->nextInFocusChain(), password);
  EXPECT_EQ(password->nextInFocusChain(), button);
}

TEST_F(LoginWindowTest, EscapeLeavesWithoutConnecting) {
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->AuthenticationMark(), QString());
  EXPECT_TRUE(log.calls.isEmpty());
}

TEST_F(LoginWindowTest, AFailingTimeOffsetUndoesTheLogin) {
  log.failures = {QStringLiteral("clock service down")};
  Type(QStringLiteral("demo"), QStringLiteral("demo"));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(window->AuthenticationMark(), QString());
  EXPECT_FALSE(session.IsOpen());
  ASSERT_EQ(prompter.Prompts().size(), 1u);
}

}  // namespace
}  // namespace pyxa
