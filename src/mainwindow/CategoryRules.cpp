#include "mainwindow/CategoryRules.h"

namespace pyxa {
namespace {

bool Is(const QString& category, const QString& name) {
  return category.trimmed().compare(name, Qt::CaseInsensitive) == 0;
}

}  // namespace

bool IsClinicalNotes(const QString& category) { return Is(category, kClinicalNotes); }

CategoryLayout CategoryRules(const QString& category) {
  CategoryLayout layout;
  if (Is(category, kLabReport)) {
    layout.typeEnabled = true;
    layout.types = TypeSource::LabTypes;
    layout.senderLabel = QStringLiteral("Laboratory:");
    layout.senderList = true;
    layout.dateLabel = QStringLiteral("Collection:");
    layout.abnormalVisible = true;
  } else if (Is(category, kDIReport)) {
    layout.typeLabel = QStringLiteral("Profile:");
    layout.typeEnabled = true;
    layout.types = TypeSource::DITypes;
  } else if (Is(category, kERReport)) {
    layout.senderLabel = QStringLiteral("Hospital:");
    layout.dateLabel = QStringLiteral("Admission:");
  } else if (Is(category, kCorrespondence)) {
    layout.typeEnabled = true;
    layout.types = TypeSource::CorrespondenceTypes;
    layout.dateLabel = QStringLiteral("Visit:");
  } else if (Is(category, kClinicalNotes)) {
    layout.typeLabel = QStringLiteral("Visit Type:");
    layout.typeEnabled = true;
    layout.types = TypeSource::VisitTypes;
    layout.emptyFirstType = true;
    layout.senderTextEnabled = false;
    layout.senderLabelGrey = true;
    layout.dateLabel = QStringLiteral("Encounter:");
    layout.clinicalNote = true;
  }
  return layout;
}

}  // namespace pyxa
