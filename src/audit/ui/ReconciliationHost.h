// What the reconciliation window needs of the main window: its page view for previews, and news
// that a stored document left the store (so the indexed tree and the status-bar counts follow).
#pragma once

#include <QString>
#include <cstdint>

class QWidget;

namespace pyxa {

class ReconciliationHost {
 public:
  virtual ~ReconciliationHost() = default;
  // Shows the file read-only in the page view (TIF, JPG or PDF); false when it cannot.
  virtual bool ShowStoredFile(const QString& path) = 0;
  // Empties the page view; called before a shown preview file goes away.
  virtual void ClearViewer() = 0;
  // The stored document is gone from the store (deleted or re-indexed): drop it from the indexed
  // tree if it is there, and recount the documents awaiting upload, the Upload Now controls and
  // the available files (a re-indexed file has arrived there).
  virtual void StoredDocumentRemoved(std::int64_t documentId) = 0;
  // Opens the print window for the file the page view shows, over the parent window; the job is
  // named title in the print queue.
  virtual void PrintShownFile(QWidget* parent, const QString& title) = 0;
};

}  // namespace pyxa
