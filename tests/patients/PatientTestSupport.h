// Shared pieces of the patient tests: a signed-in session over the fake service, a login
// window stand-in, and result rows in the fake service's field order.
#pragma once

#include <memory>

#include "shell/FakeService.h"
#include "shell/LoginPrompt.h"
#include "shell/Session.h"

namespace pyxa::testing {

struct CountingLogin final : LoginPrompt {
  int shown = 0;
  bool ShowLogin() override {
    ++shown;
    return false;
  }
};

// lID, szLast, szFirst, dDOB, sValue, szChartNum, szPhoneArea, szPhone1, szPhone2.
inline QVector<QVariant> PatientRow(int id, const QString& last, const QString& first, const QString& dob,
                                    const QString& hcn = {}, const QString& chart = {}, const QString& area = {},
                                    const QString& phone1 = {}, const QString& phone2 = {}) {
  return {id, last, first, dob, hcn, chart, area, phone1, phone2};
}

struct SignedInSession {
  FakeServiceLog log;
  Session session;
  SignedInSession() {
    session.Replace(std::make_unique<FakeService>(log));
    session.SetCredentials(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("file:///c"));
  }
};

}  // namespace pyxa::testing
