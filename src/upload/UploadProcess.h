// The upload program as the main window sees it: found in the program folder, started without
// waiting, and watched until it has ended.
#pragma once

#include <QString>

namespace pyxa {

inline const QString kUploadProgramName = QStringLiteral("UploadDocuments");

class UploadProcess {
 public:
  virtual ~UploadProcess() = default;
  virtual QString Path() const = 0;
  // The program file can be opened for reading.
  virtual bool Exists() const = 0;
  virtual bool IsRunning() const = 0;
  // Starts it on its own; false when it could not be started.
  virtual bool Start() = 0;
};

// The program beside the main program, seen through /proc.
class LocalUploadProcess final : public UploadProcess {
 public:
  explicit LocalUploadProcess(QString programFolder) : folder_(std::move(programFolder)) {}
  QString Path() const override;
  bool Exists() const override;
  bool IsRunning() const override;
  bool Start() override;

 private:
  QString folder_;
};

}  // namespace pyxa
