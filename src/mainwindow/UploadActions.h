// The main window's call into upload work that lives in other windows' rules: queueing the
// indexed documents.
#pragma once

namespace pyxa {

class UploadActions {
 public:
  virtual ~UploadActions() = default;
  // The Upload command: stores the indexed documents and queues them.
  virtual void QueueIndexedDocuments() = 0;
};

}  // namespace pyxa
