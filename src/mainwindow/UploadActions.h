// The main window's calls into upload and encounter work that lives in other windows'
// rules: queueing the indexed documents and releasing encounters locked but not used.
#pragma once

namespace pyxa {

class UploadActions {
 public:
  virtual ~UploadActions() = default;
  // The Upload command: stores the indexed documents and queues them.
  virtual void QueueIndexedDocuments() = 0;
  // Releases the encounters that were locked for documents and are no longer used.
  virtual void UnlockUnusedEncounters() = 0;
};

}  // namespace pyxa
