// The clerk's past choices per sender, read from the stored documents: how often the latest of them
// were filed under each category and type for each sender, to propose those of the next document.
#pragma once

#include <QString>
#include <QVector>

#include "components/DocumentRecords.h"

namespace pyxa {

// How far back the choices look: the latest stored documents, and the groups handed back.
inline constexpr int kSenderChoiceDocuments = 2000;
inline constexpr int kSenderChoiceGroups = 200;

// The latest `documents` stored documents (uploaded ones too) grouped by SenderID, Sender,
// CategoryID, DocumentTypeID and DocumentTypeDesc, each group with its count and the latest of its
// document dates (a document without one counts its stored time), the most recent group first, at
// most `groups` of them. Empty when there is no store yet (none is made). Throws StoreReadError.
QVector<SenderChoice> ReadSenderChoices(const QString& storePath, int documents = kSenderChoiceDocuments,
                                        int groups = kSenderChoiceGroups);

}  // namespace pyxa
