// What the chosen category decides in the document fields: labels, which type list fills the
// type box, laboratory list or free-text sender, the date's label and the flags shown.
#pragma once

#include <QString>

namespace pyxa {

enum class TypeSource { None, LabTypes, DITypes, CorrespondenceTypes, VisitTypes };

struct CategoryLayout {
  QString typeLabel = QStringLiteral("Type:");
  bool typeEnabled = false;
  TypeSource types = TypeSource::None;
  bool emptyFirstType = false;  // a visit type may be left unchosen
  QString senderLabel = QStringLiteral("Sender:");
  bool senderList = false;       // the laboratories instead of the free-text sender
  bool senderTextEnabled = true;
  bool senderLabelGrey = false;
  QString dateLabel = QStringLiteral("Report:");
  bool abnormalVisible = false;
  bool clinicalNote = false;  // shows the encounters button
};

inline const QString kLabReport = QStringLiteral("Lab Report");
inline const QString kDIReport = QStringLiteral("DI Report");
inline const QString kERReport = QStringLiteral("ER Report");
inline const QString kCorrespondence = QStringLiteral("Correspondence");
inline const QString kClinicalNotes = QStringLiteral("Clinical Notes");

// The first matching row of the category table, by the category's text (blanks around it
// and letter case do not matter); any other category gets the last row.
CategoryLayout CategoryRules(const QString& category);

// Whether a category name names the clinical-notes category.
bool IsClinicalNotes(const QString& category);

}  // namespace pyxa
