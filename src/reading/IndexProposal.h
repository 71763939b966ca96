// What a page's words make of its category, type, sender and date: the laboratory or sender it
// names, the kind of paper its headings say it is, and what the clerk chose for that sender before.
// Display-free; the patient is proposed apart (PatientProposal).
#pragma once

#include <QDate>
#include <QString>
#include <QVector>

#include "components/DocumentRecords.h"
#include "reading/PageIdentifiers.h"

namespace pyxa {

struct ReferenceEntry {
  qint64 id = 0;
  QString name;
};

// The clinic's lists the proposal chooses from, as the main window holds them.
struct IndexReferences {
  QVector<ReferenceEntry> categories;
  QVector<ReferenceEntry> laboratories;  // the senders of lab reports
  QVector<ReferenceEntry> labTypes;      // the types of lab reports
};

struct TextSpan {
  int start = 0, length = 0;  // in the page's text, for highlighting
};

struct IndexProposal {
  // The category's name is empty when none is proposed: an id of 0 is a category of its own in some
  // clinics (the demo's lab reports).
  qint64 categoryId = 0;
  QString category;
  // The type by name: the lists of other categories than lab reports come with the provider or
  // office chosen, so the window finds it by name once it has the list. Empty: none proposed.
  qint64 typeId = 0;  // set when known (a lab type, or a past choice)
  QString typeName;
  qint64 laboratoryId = 0;  // a laboratory of the list; 0 with a free-text sender
  QString sender;           // the laboratory's name, or the sender as printed
  QDate documentDate;       // the collection or report date printed
  QVector<TextSpan> spans;  // the words it rests on
  QString why;              // for the clerk: what it rests on (the page's heading, past choices)
};

// found: the page's identifiers (its report date among them). past: the stored documents'
// choices for senders, any sender; those of the sender read decide between kinds of paper.
IndexProposal ProposeIndex(const QString& text, const QVector<PageIdentifier>& found, const IndexReferences& lists,
                           const QVector<SenderChoice>& past);

}  // namespace pyxa
