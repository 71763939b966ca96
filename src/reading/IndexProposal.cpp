#include "reading/IndexProposal.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

#include "components/ClinicSchema.h"
#include "reading/PaperKinds.h"
#include "reading/TolerantText.h"

namespace pyxa {
namespace {

// The report date's labels, the date a document is filed under first; a bare "date" serves only when
// the page has none of these. An admission date is never the document's: a stay is filed under its
// discharge.
int DateRank(const QString& label) {
  static const QStringList first = {QStringLiteral("collected"),     QStringLiteral("collection date"),
                                    QStringLiteral("date of service"), QStringLiteral("exam date"),
                                    QStringLiteral("date of visit"), QStringLiteral("discharge date"),
                                    QStringLiteral("discharged")};
  static const QStringList second = {QStringLiteral("reported"), QStringLiteral("date du rapport")};
  if (first.contains(label)) return 0;
  if (second.contains(label)) return 1;
  if (label == QStringLiteral("date")) return 2;
  return 4;
}

// A letter's date stands alone on its line near the top: "December 6, 2026" or an ISO date.
void LoneDate(const QString& text, IndexProposal& proposal, int& rank) {
  static const QRegularExpression spelled(QStringLiteral("^\\s*(\\p{L}{3,9}\\.? \\d{1,2},? \\d{4}|\\d{1,2}(er)? \\p{L}{3,9} "
                                                         "\\d{4}|\\d{4}-\\d{2}-\\d{2})\\s*$"));
  int at = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (const auto m = spelled.match(line); m.hasMatch() && rank > 3) {
      const QDate date = ReadPrintedDate(m.captured(1), true);
      if (date.isValid()) {
        proposal.documentDate = date;
        proposal.spans.append({at + static_cast<int>(m.capturedStart(1)), static_cast<int>(m.capturedLength(1))});
        rank = 3;
        return;
      }
    }
    at += static_cast<int>(line.size()) + 1;
  }
}

struct Sender {
  qint64 laboratoryId = 0;
  QString name;
  TextMatch match;
};

// The sender the page names: a laboratory of the clinic's list or a free-text sender the clerk
// has used before, the closest reading first.
Sender FindSender(const QString& text, const IndexReferences& lists, const QVector<SenderChoice>& past) {
  Sender best;
  const auto consider = [&](qint64 id, const QString& name) {
    const TextMatch match = FindTolerant(text, name);
    if (!match.Found()) return;
    if (best.match.Found() && (match.edits > best.match.edits ||
                               (match.edits == best.match.edits && match.start >= best.match.start))) {
      return;
    }
    best = {id, name, match};
  };
  for (const ReferenceEntry& lab : lists.laboratories) consider(lab.id, lab.name);
  for (const SenderChoice& choice : past) {
    if (choice.SenderID == 0 && !choice.Sender.trimmed().isEmpty()) consider(0, choice.Sender.trimmed());
  }
  return best;
}

bool SameSender(const SenderChoice& choice, const Sender& sender) {
  if (sender.laboratoryId != 0) return choice.SenderID == sender.laboratoryId;
  return choice.SenderID == 0 && FoldedText(choice.Sender) == FoldedText(sender.name);
}

const ReferenceEntry* Named(const QVector<ReferenceEntry>& entries, const QString& name) {
  for (const ReferenceEntry& entry : entries) {
    if (FoldedText(entry.name) == FoldedText(name)) return &entry;
  }
  return nullptr;
}

}  // namespace

IndexProposal ProposeIndex(const QString& text, const QVector<PageIdentifier>& found, const IndexReferences& lists,
                           const QVector<SenderChoice>& past) {
  IndexProposal proposal;
  QStringList because;

  const Sender sender = FindSender(text, lists, past);
  if (sender.match.Found()) {
    proposal.sender = sender.name;
    proposal.spans.append({sender.match.start, sender.match.length});
  }

  // What the headings say: two points for a heading, one for running text.
  QHash<QString, int> score;
  QHash<QString, QString> typeOf, shownFor;  // per category: the first type named, the words it rests on
  for (const KindFound& kind : FindKindWords(text)) {
    const QString& category = kind.word->category;
    score[category] += kind.heading ? 2 : 1;
    if (!kind.word->type.isEmpty() && !typeOf.contains(category)) typeOf.insert(category, kind.word->type);
    if (!shownFor.contains(category)) shownFor.insert(category, text.mid(kind.start, kind.length));
    proposal.spans.append({kind.start, kind.length});
  }
  QString headed;
  int top = 0;
  bool tie = false;
  for (auto it = score.cbegin(); it != score.cend(); ++it) {
    if (it.value() > top) {
      top = it.value();
      headed = it.key();
      tie = false;
    } else if (it.value() == top) {
      tie = true;
    }
  }
  if (tie) headed.clear();  // two kinds of paper at once: the clerk decides

  // The clerk's past choices for this sender: the categories it has been filed under, the most
  // often first. A heading chooses among them; otherwise the most frequent stands.
  QVector<SenderChoice> theirs;
  if (sender.match.Found()) {
    for (const SenderChoice& choice : past) {
      if (SameSender(choice, sender) && choice.Times > 0) theirs.append(choice);
    }
    std::stable_sort(theirs.begin(), theirs.end(), [](const SenderChoice& a, const SenderChoice& b) {
      return a.Times != b.Times ? a.Times > b.Times : a.Last > b.Last;
    });
  }
  QString category = headed;
  // A laboratory of the list without a heading or past choices: its paper is a lab report.
  if (category.isEmpty() && score.isEmpty() && sender.laboratoryId != 0) category = QStringLiteral("Lab Report");
  const SenderChoice* pastChoice = nullptr;
  if (!theirs.isEmpty()) {
    const auto categoryName = [&](qint64 id) {
      for (const ReferenceEntry& entry : lists.categories) {
        if (entry.id == id) return entry.name;
      }
      return QString();
    };
    const auto used = std::find_if(theirs.cbegin(), theirs.cend(), [&](const SenderChoice& c) {
      return !headed.isEmpty() && FoldedText(categoryName(c.CategoryID)) == FoldedText(headed);
    });
    pastChoice = used != theirs.cend() ? &*used : &theirs.first();
    category = categoryName(pastChoice->CategoryID);
    int times = 0;
    for (const SenderChoice& choice : theirs) times += choice.Times;
    if (!category.isEmpty()) {
      because << QStringLiteral("%1 of %2 earlier documents from %3 were filed as %4")
                     .arg(pastChoice->Times)
                     .arg(times)
                     .arg(sender.name, category);
    }
  }
  // A category the clinic does not have is not proposed, rather than a near one.
  if (const ReferenceEntry* entry = category.isEmpty() ? nullptr : Named(lists.categories, category)) {
    proposal.categoryId = entry->id;
    proposal.category = entry->name;
    if (!headed.isEmpty() && FoldedText(headed) == FoldedText(category)) {
      because.prepend(QStringLiteral("the page says \"%1\"").arg(shownFor.value(headed).simplified()));
    }
  }

  // The type: the one the page names, else the one the clerk chose most for this sender.
  if (!proposal.category.isEmpty()) {
    QString named;
    for (auto it = typeOf.cbegin(); it != typeOf.cend(); ++it) {
      if (FoldedText(it.key()) == FoldedText(proposal.category)) named = it.value();
    }
    if (!named.isEmpty()) {
      proposal.typeName = named;
    } else if (pastChoice) {
      proposal.typeName = pastChoice->DocumentTypeDesc;
      proposal.typeId = pastChoice->DocumentTypeID;
    }
    const bool labReport = FoldedText(proposal.category) == FoldedText(QStringLiteral("Lab Report"));
    if (const ReferenceEntry* type = labReport ? Named(lists.labTypes, proposal.typeName) : nullptr) {
      proposal.typeId = type->id;
    }
    if (pastChoice && proposal.typeId == 0 && !proposal.typeName.isEmpty()) {
      for (const SenderChoice& choice : theirs) {
        if (FoldedText(choice.DocumentTypeDesc) == FoldedText(proposal.typeName)) {
          proposal.typeId = choice.DocumentTypeID;
          break;
        }
      }
    }
    // A laboratory is chosen from its list only for a lab report; other papers name their sender.
    if (labReport) proposal.laboratoryId = sender.laboratoryId;
  }

  // The date: the best-labelled report date, or a letter's date standing alone.
  int rank = 5;
  for (const PageIdentifier& identifier : found) {
    if (identifier.kind != IdentifierKind::ReportDate || !identifier.date.isValid()) continue;
    const int r = DateRank(identifier.label);
    if (r >= rank || r > 2) continue;
    rank = r;
    proposal.documentDate = identifier.date;
  }
  if (rank < 5) {
    for (const PageIdentifier& identifier : found) {
      if (identifier.kind == IdentifierKind::ReportDate && identifier.date == proposal.documentDate) {
        proposal.spans.append({identifier.start, identifier.length});
        break;
      }
    }
  }
  if (rank > 3) LoneDate(text, proposal, rank);

  if (proposal.category.isEmpty() && !score.isEmpty() && tie) {
    because << QStringLiteral("the page's headings name more than one kind of paper");
  }
  proposal.why = because.join(QStringLiteral("; "));
  if (!proposal.why.isEmpty()) proposal.why[0] = proposal.why.at(0).toUpper();
  return proposal;
}

}  // namespace pyxa
