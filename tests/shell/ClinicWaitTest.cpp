#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "common/ScriptedTlsServer.h"
#include "components/HttpClinic.h"
#include "shell/ui/ClinicWait.h"

namespace pyxa {
namespace {

using testing_tls::TlsScript;

QProgressDialog* WaitWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QStringLiteral("ClinicWait") && widget->isVisible()) {
      return qobject_cast<QProgressDialog*>(widget);
    }
  }
  return nullptr;
}

// A silent server: the window offers to give up after its delay, and giving up ends the call with
// an error that says what is known and what is not; a server that answers never shows the window.
TEST(ClinicWait, ASilentClinicCanBeGivenUpAfterAFewSeconds) {
  QTemporaryDir folder;
  testing_tls::TestCa ca(folder.path());
  const auto certificate = ca.Issue(QStringLiteral("server"), {QStringLiteral("localhost")});
  testing_tls::ScriptedTlsServer silent(certificate, {TlsScript::Behaviour::AcceptAndNeverAnswer, {}});

  ClinicWait wait(200);
  HttpClinicOptions options;
  options.timeoutSeconds = 60;
  options.caFile = ca.CaFile();
  options.waiter = &wait;
  HttpClinic clinic(QString(), options);

  bool waitingMeanwhile = false;
  bool shownEarly = true;
  QTimer::singleShot(50, [&] {
    waitingMeanwhile = wait.Waiting();
    shownEarly = WaitWindow() != nullptr;
  });
  QTimer giveUp;
  QObject::connect(&giveUp, &QTimer::timeout, [&] {
    if (QProgressDialog* window = WaitWindow()) {
      giveUp.stop();
      EXPECT_EQ(window->labelText(), QStringLiteral("Waiting for the clinic's answer..."));
      QPushButton* button = window->findChild<QPushButton*>();
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->text(), QStringLiteral("&Give Up"));
      QTest::mouseClick(button, Qt::LeftButton);
    }
  });
  giveUp.start(20);
  try {
    clinic.Connect(QStringLiteral("demo"), QStringLiteral("demo"),
                   QStringLiteral("https://localhost:%1/").arg(silent.Port()));
    ADD_FAILURE() << "the call did not end in an error";
  } catch (const ServiceError& error) {
    EXPECT_EQ(error.Number(), kClinicErrorGivenUp);
    EXPECT_TRUE(error.Description().contains(QStringLiteral("not known"))) << error.Description().toStdString();
  }
  EXPECT_TRUE(waitingMeanwhile);
  EXPECT_FALSE(shownEarly);
  EXPECT_FALSE(wait.Waiting());
  EXPECT_EQ(WaitWindow(), nullptr);

  // An answer within the delay (here a refusal) comes back without the window ever showing.
  testing_tls::ScriptedTlsServer answering(
      certificate, {TlsScript::Behaviour::Answer,
                    "HTTP/1.1 401 Unauthorized\r\nContent-Type: application/json\r\nContent-Length: 65\r\n\r\n"
                    "{\"error\":{\"number\":5002,\"description\":\"Wrong Login or Password\"}}"});
  bool everShown = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] { everShown = everShown || WaitWindow(); });
  watch.start(10);
  try {
    clinic.Connect(QStringLiteral("demo"), QStringLiteral("x"),
                   QStringLiteral("https://localhost:%1/").arg(answering.Port()));
  } catch (const ServiceError& error) {
    EXPECT_EQ(error.Description(), kWrongLoginOrPassword);
  }
  EXPECT_FALSE(everShown);
}

}  // namespace
}  // namespace pyxa
