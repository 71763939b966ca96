// The reference lists the main window asks the service for at start: laboratories, providers,
// lab report types, categories, and the user's country.
#pragma once

#include "components/ClinicalService.h"
#include "shell/Session.h"

namespace pyxa {

struct ReferenceLists {
  QStringList labNames, physicianNames, labTypeNames;
  ValuesTable labs, physicians, labTypes, categories;
  QString country;  // "2": the health-card number is not used

  bool HidesHealthCard() const { return country == QStringLiteral("2"); }

  // Both calls under the session-retry rule; what still fails is thrown as ServiceError.
  void LoadCategories(Session& session);
  void LoadCountry(Session& session);
};

}  // namespace pyxa
