// Runs SaneScanner against the built helper with a private SANE configuration that names only SANE's
// test and pnm backends and our misbehaving one, so that no test ever reaches a real scanner.
#pragma once

#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "scan/SaneScanner.h"

namespace pyxa {

class SaneFixture : public ::testing::Test {
 protected:
  using Status = ScannerSource::Status;

  struct Batch {
    QList<ScannedPage> pages;
    Status status = Status::Failed;
    QString message;
    int endings = 0;
  };

  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    Write("dll.conf", "test\npnm\npyxa\n");
    Write("test.conf", "number_of_devices 2\nresolution 50\n");
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("SANE_CONFIG_DIR", dir_.path());  // no trailing colon: the system folder is not searched
    // SANE looks for backends along the library path first: that is where ours is found.
    AddBackendFolder(QStringLiteral(PYXA_TEST_BACKENDS));
    env_.insert("PYXA_SCAN_RELEASE_SECONDS", "3");
    scanner_ = std::make_unique<SaneScanner>(QStringLiteral(PYXA_SCAN_HELPER));
    scanner_->SetHelperEnvironment(env_);
  }

  // For fixtures that add a backend of their own; call before the first request.
  void AddBackendFolder(const QString& folder) {
    env_.insert("LD_LIBRARY_PATH", folder + ":" + env_.value("LD_LIBRARY_PATH"));
    if (scanner_) scanner_->SetHelperEnvironment(env_);
  }

  void Write(const QString& name, const QByteArray& text) {
    QFile f(dir_.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  QString Path(const QString& name) const { return dir_.filePath(name); }

  // Starts a batch; onPage runs after each delivered page (it may cancel or kill).
  Batch Scan(const QString& device, const QList<OptionSetting>& settings, int maxPages = 0,
             const std::function<void(int)>& onPage = {}) {
    Batch b;
    QSignalSpy ended(scanner_.get(), &ScannerSource::BatchEnded);
    auto c = QObject::connect(scanner_.get(), &ScannerSource::PageScanned, [&](const ScannedPage& p) {
      b.pages.append(p);
      if (onPage) onPage(int(b.pages.size()));
    });
    EXPECT_TRUE(scanner_->StartBatch(device, settings, maxPages));
    EXPECT_TRUE(ended.wait(120000));
    QObject::disconnect(c);
    b.endings = int(ended.size());
    if (!ended.isEmpty()) {
      b.status = ended.at(0).at(0).value<Status>();
      b.message = ended.at(0).at(1).toString();
    }
    return b;
  }

  QTemporaryDir dir_;
  QProcessEnvironment env_;
  std::unique_ptr<SaneScanner> scanner_;
};

inline QList<OptionSetting> Feeder(QList<OptionSetting> more = {}) {
  more.prepend({"source", "Automatic Document Feeder"});
  return more;
}

}  // namespace pyxa
