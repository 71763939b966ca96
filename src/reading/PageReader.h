// Reads the text of the shown file's pages in the background: on a thread of its own at idle
// priority, the page asked for first and then the others in order, each page once for as long as
// the file stays as it was. Each page is delivered twice: first a quick reading of its top band
// (PageText::complete false), once every page has one, then the whole page. The page on screen
// never waits for it.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "reading/TextRecognizer.h"

class QThread;

namespace pyxa {

class PageReader : public QObject {
  Q_OBJECT

 public:
  // Makes the recogniser on the reading thread, where it is used.
  using RecognizerMaker = std::function<std::unique_ptr<TextRecognizer>()>;
  explicit PageReader(RecognizerMaker makeRecognizer, QObject* parent = nullptr);
  ~PageReader() override;  // cancels and waits for the reading under way

  // Reads the TIFF or JPG file's pages not read yet, firstPage (0-based) first; cancels the reading
  // under way, whose pages still to come are never delivered.
  void Start(const QString& file, int firstPage = 0);
  void Cancel();
  bool Busy() const { return thread_ != nullptr; }

  // A page of the file as it is now, once read (its quick reading until the whole page is read);
  // null before, and once the file has changed.
  const PageText* Text(const QString& file, int page) const;

 Q_SIGNALS:
  // A reading of the page has arrived, quick or complete: Text says which.
  void PageRead(const QString& file, int page);
  // The file cannot be read, or pages cannot be read on this computer; said once per start.
  void Failed(const QString& file, const QString& why);

 private:
  struct Stamp {
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const Stamp&) const = default;
  };
  struct FileTexts {
    Stamp stamp;
    QHash<int, PageText> pages;
  };
  static Stamp StampOf(const QString& file);
  void Stop();
  // On the reading thread: the pages not known yet, each delivered as it is read.
  void ReadPages(const QString& file, int firstPage, const Stamp& stamp, const QHash<int, PageText>& known,
                 quint64 generation, const std::atomic_bool& cancel);
  void Deliver(quint64 generation, const QString& file, const Stamp& stamp, int page, const PageText& text);

  RecognizerMaker makeRecognizer_;
  QThread* thread_ = nullptr;
  std::shared_ptr<std::atomic_bool> cancel_;
  quint64 generation_ = 0;
  QHash<QString, FileTexts> files_;
};

}  // namespace pyxa
