#include "store/SenderChoices.h"

#include <QFileInfo>

#include "components/StoreSchema.h"
#include "platform/Sql.h"
#include "store/StoreReadError.h"

namespace pyxa {

QVector<SenderChoice> ReadSenderChoices(const QString& storePath, int documents, int groups) {
  QVector<SenderChoice> choices;
  if (!QFileInfo(storePath).isFile()) return choices;
  try {
    SqlConnection connection(storePath, SqlConnection::Mode::ReadOnly);
    // Only columns stored before FileData are named, so no document's file is read. A document's
    // stored time is the first action of the trail on it (the trail may have been emptied since).
    auto row = connection.Prepare(QStringLiteral(
        "SELECT SenderID, Sender, CategoryID, TypeID, TypeDescription, count(*) AS Times, max(Happened) AS Last"
        " FROM (SELECT COALESCE(d.SenderID, 0) AS SenderID, COALESCE(d.Sender, '') AS Sender,"
        "  COALESCE(d.CategoryID, 0) AS CategoryID, COALESCE(d.TypeID, 0) AS TypeID,"
        "  COALESCE(d.TypeDescription, '') AS TypeDescription,"
        "  COALESCE(NULLIF(d.EncounterDate, ''),"
        "   (SELECT min(a.ActionDate) FROM AuditLog a WHERE a.DocumentID = d.DocumentID)) AS Happened"
        "  FROM Documents d ORDER BY d.DocumentID DESC LIMIT ?)"
        " GROUP BY SenderID, Sender, CategoryID, TypeID, TypeDescription"
        " ORDER BY Last DESC, Times DESC LIMIT ?"));
    row.Bind(1, documents).Bind(2, groups);
    while (row.Step()) {
      SenderChoice choice;
      choice.SenderID = row.Int(QStringLiteral("SenderID"));
      choice.Sender = row.Text(QStringLiteral("Sender"));
      choice.CategoryID = row.Int(QStringLiteral("CategoryID"));
      choice.DocumentTypeID = row.Int(QStringLiteral("TypeID"));
      choice.DocumentTypeDesc = row.Text(QStringLiteral("TypeDescription"));
      choice.Times = static_cast<std::int32_t>(row.Int(QStringLiteral("Times")));
      choice.Last = ReadStoreDate(row, QStringLiteral("Last"));
      choices.push_back(choice);
    }
  } catch (const SqlError& error) {
    throw StoreReadError(error.Code(), error.Message());
  }
  return choices;
}

}  // namespace pyxa
