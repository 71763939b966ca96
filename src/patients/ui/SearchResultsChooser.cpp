#include "patients/ui/SearchResultsChooser.h"

#include "patients/ResultsPlacement.h"
#include "patients/ui/frmSearch.h"

#include <QScreen>

namespace pyxa {

SearchResultsChooser::SearchResultsChooser(Session& session, Prompter& prompter, LoginPrompt& login, QWidget* parent,
                                           QWidget* keepVisible)
    : session_(session), prompter_(prompter), login_(login), parent_(parent), keepVisible_(keepVisible) {}

std::optional<ChosenPatient> SearchResultsChooser::Choose(const SearchCriteria& criteria,
                                                          const PatientResults& results) {
  // The opener hands over names, chart, health card and phone; the date of birth stays behind.
  SearchCriteria copied = criteria;
  copied.dob1.clear();
  copied.dob2.clear();
  copied.dob3.clear();

  frmSearch window(session_, prompter_, login_, parent_);
  window.Load(copied, results);
  if (keepVisible_ && keepVisible_->isVisible() && keepVisible_->screen()) {
    const QRect keep(keepVisible_->mapToGlobal(QPoint(0, 0)), keepVisible_->size());
    window.setGeometry(PlaceBeside(keep, window.size(), window.minimumSizeHint().width(),
                                   keepVisible_->screen()->availableGeometry()));
  }
  if (window.exec() != QDialog::Accepted) return std::nullopt;
  return window.Chosen();
}

}  // namespace pyxa
