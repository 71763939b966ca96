// Lets the user pick one of several search matches in the "Search Results" window.
#pragma once

#include "patients/PatientChooser.h"
#include "platform/Prompter.h"
#include "shell/LoginPrompt.h"
#include "shell/Session.h"

class QWidget;

namespace pyxa {

class SearchResultsChooser final : public PatientChooser {
 public:
  // keepVisible: the widget the window is placed beside rather than over (the page being indexed).
  SearchResultsChooser(Session& session, Prompter& prompter, LoginPrompt& login, QWidget* parent = nullptr,
                       QWidget* keepVisible = nullptr);

  // Shows the window modally with the criteria (without the date of birth) and the matches.
  std::optional<ChosenPatient> Choose(const SearchCriteria& criteria, const PatientResults& results) override;

 private:
  Session& session_;
  Prompter& prompter_;
  LoginPrompt& login_;
  QWidget* parent_;
  QWidget* keepVisible_;
};

}  // namespace pyxa
