#include "mainwindow/ReferenceLists.h"

namespace pyxa {

void ReferenceLists::LoadCategories(Session& session) {
  session.Call([this](ClinicalService& service) {
    service.GetCategories(labNames, labs, physicianNames, physicians, labTypeNames, labTypes, categories);
  });
}

void ReferenceLists::LoadCountry(Session& session) {
  QStringList names;
  ValuesTable values;
  session.Call([&](ClinicalService& service) { service.GetUsersCountry(service.UserID(), names, values); });
  country = (values && !values->isEmpty() && !values->first().isEmpty()) ? values->first().first().toString()
                                                                       : QString();
}

}  // namespace pyxa
