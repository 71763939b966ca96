// The pages of a document: cPage, one page held in its own image file with its image properties
// and bar codes, and cPages, their ordered, 1-based, optionally keyed collection. Nothing here
// throws; file operations report through their result argument.
#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>

#include "document/BarCodes.h"
#include "document/KeyedCollection.h"

namespace pyxa {

class cPage {
 public:
  cPage() = default;
  // A page owns its file name and bar codes; two copies would both claim one file.
  cPage(const cPage&) = delete;
  cPage& operator=(const cPage&) = delete;

  QString FileName;              // the page's own image file, a temporary "zzz" file
  std::int32_t PageType = 0;     // 0 simplex, 1 front of a duplex sheet, 2 its back
  std::int32_t PageNumber = 0;   // position when the page was added, deleted or cut
  std::int32_t XResolution = 0;  // dots per ResolutionUnit
  std::int32_t YResolution = 0;
  std::int32_t ResolutionUnit = 0;   // TIFF unit; 2 inch
  std::int32_t ColourModel = 0;      // 1 black and white, 2 greyscale, 3 colour
  std::int32_t CompressionType = 0;  // TIFF number: 1 none, 3 Group 3, 4 Group 4, -1 other
  QVariant CreationDate;             // TIFF DateTime text
  QVariant FileCreator;              // TIFF Software text
  QString PageScenario;

  cBarCodes& BarCodes() { return barCodes_; }
  const cBarCodes& BarCodes() const { return barCodes_; }

  // Creates a new, empty file "zzz" + hexadecimal number + ".JPG" (ColourModel 2 or 3) or ".TIF"
  // in directory and sets FileName to it. The file is created exclusively, so no other caller or
  // process is ever given the same name; it is left in place for the page's image. result: 0, or
  // the system error code (errno, never 0) with FileName "".
  void CreateTempFile(const QString& directory, std::int32_t& result);

  // The size in bytes of FileName, as a 64-bit number (files of 4 GB and more are answered in
  // full). result 0; -1 when the file cannot be opened, is not a regular file, or another holder
  // has it locked; -2 when it is empty. size is 0 unless result is 0.
  void GetImageFileSize(std::int64_t& size, std::int32_t& result) const;

 private:
  cBarCodes barCodes_;
};

class cPages {
 public:
  // Inserts page before position when it lies in 1..Count, else appends it; stores it under key
  // when key is non-empty. pageNumber is informational and not stored. Returns the page, or
  // nullptr, adding nothing, for a null page or a key already in use.
  std::shared_ptr<cPage> AddPage(std::shared_ptr<cPage> page, std::int32_t pageNumber, const QString& key = QString(),
                                 std::int32_t position = 0);

  // A new page with these six properties, placed as by AddPage.
  std::shared_ptr<cPage> Add(std::int32_t pageType, std::int32_t pageNumber, std::int32_t xResolution,
                             std::int32_t yResolution, std::int32_t resolutionUnit, std::int32_t compressionType,
                             const QString& key = QString(), std::int32_t position = 0);

  std::shared_ptr<cPage> Item(int index) const { return pages_.Item(index); }
  std::shared_ptr<cPage> Item(const QString& key) const { return pages_.Item(key); }
  int Count() const { return pages_.Count(); }
  bool Remove(int index) { return pages_.Remove(index); }
  bool Remove(const QString& key) { return pages_.Remove(key); }
  auto begin() const { return pages_.begin(); }
  auto end() const { return pages_.end(); }

 private:
  KeyedCollection<cPage> pages_;
};

}  // namespace pyxa
