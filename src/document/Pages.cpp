#include "document/Pages.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>

namespace pyxa {

namespace {

// Page files hold patients' records: only the user reads them.
constexpr mode_t kPageFileMode = 0600;

// A drawn name already taken is simply drawn again; the bound only guards against a folder that
// answers "exists" to every name.
constexpr int kMaxNameAttempts = 1000;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

void cPage::CreateTempFile(const QString& directory, std::int32_t& result) {
  FileName.clear();
  // An empty folder would become "/": the root is no place for page files.
  if (directory.isEmpty()) {
    result = ENOENT;
    return;
  }
  QString dir = directory;
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  const QString extension = ColourModel == 2 || ColourModel == 3 ? QStringLiteral(".JPG") : QStringLiteral(".TIF");

  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    const QString name =
        dir + QStringLiteral("zzz") + QString::number(QRandomGenerator::global()->generate(), 16).toUpper() + extension;
    // O_EXCL picks and creates the name in one step, so no other process can take it meanwhile.
    const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPageFileMode);
    if (fd >= 0) {
      ::close(fd);
      FileName = name;
      result = 0;
      return;
    }
    if (errno != EEXIST) {
      result = errno;
      return;
    }
  }
  result = EEXIST;
}

void cPage::GetImageFileSize(std::int64_t& size, std::int32_t& result) const {
  size = 0;
  result = -1;
  if (FileName.isEmpty()) return;
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  const Fd fd(::open(QFile::encodeName(FileName).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) return;

  // The page file is not to be read while another holder has it: an exclusive advisory lock,
  // taken without waiting, stands for opening it without sharing. It cannot stop a program that
  // ignores advisory locks (or uses only fcntl record locks); such a program can still write the
  // file meanwhile. A file system that offers no flock at all is not refused for it.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return;

  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  if (info.st_size < 1) {
    result = -2;
    return;
  }
  size = static_cast<std::int64_t>(info.st_size);
  result = 0;
}  // closing the descriptor releases the lock

std::shared_ptr<cPage> cPages::AddPage(std::shared_ptr<cPage> page, std::int32_t /*pageNumber*/, const QString& key,
                                       std::int32_t position) {
  return pages_.Insert(std::move(page), key, position);
}

std::shared_ptr<cPage> cPages::Add(std::int32_t pageType, std::int32_t pageNumber, std::int32_t xResolution,
                                   std::int32_t yResolution, std::int32_t resolutionUnit, std::int32_t compressionType,
                                   const QString& key, std::int32_t position) {
  auto page = std::make_shared<cPage>();
  page->PageType = pageType;
  page->PageNumber = pageNumber;
  page->XResolution = xResolution;
  page->YResolution = yResolution;
  page->ResolutionUnit = resolutionUnit;
  page->CompressionType = compressionType;
  return AddPage(std::move(page), pageNumber, key, position);
}

}  // namespace pyxa
