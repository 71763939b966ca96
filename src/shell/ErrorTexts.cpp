#include "shell/ErrorTexts.h"

#include <cerrno>
#include <new>
#include <system_error>

#include "components/ClinicalService.h"
#include "document/DocumentErrors.h"
#include "platform/Sql.h"

namespace pyxa {

namespace {

QString Hex(std::int32_t code) { return QString::number(static_cast<std::uint32_t>(code), 16).toUpper(); }

QString NumberShown(std::int32_t number, std::int32_t lastSystemError) {
  return QString::number(number != 0 ? number : lastSystemError);
}

}  // namespace

// Both tables are function-local statics: built exactly once, thread-safe, on first use. Start-up
// builds the viewer table first, but tests, the scanning layer and any early error path may ask
// for a text before that; with a table filled by an explicit build step they would get empty texts.
const QStringList& BuildViewerErrorTable() {
  static const QStringList table = {
      QString(),                                                                                   // 2000: no error
      QStringLiteral("Not sufficient memory"),                                                     // 2001
      QStringLiteral("File is not opened"),                                                        // 2002
      QStringLiteral("Error opening file. File is in use."),                                       // 2003
      QStringLiteral("Read file error"),                                                           // 2004
      QStringLiteral("Page is not in memory"),                                                     // 2005
      QStringLiteral("Failed creating temporary file"),                                            // 2006
      QStringLiteral("Unsufficient memory"),                                                       // 2007
      QStringLiteral("Illegal page number"),                                                       // 2008
      QStringLiteral("Illegal image registration search type"),                                    // 2009
      QStringLiteral("Illegal image registration type"),                                           // 2010
      QStringLiteral("Error writing to file"),                                                     // 2011
      QStringLiteral("Illegat deskew speed parameter"),                                            // 2012
      QStringLiteral("Illegal compression type (should be from 1 to 4)"),                          // 2013
      QStringLiteral("Can not create IT handle"),                                                  // 2014
      QStringLiteral("Rotate image error"),                                                        // 2015
      QStringLiteral("IT allocate memory error"),                                                  // 2016
      QStringLiteral("IT SetParameter error"),                                                     // 2017
      QStringLiteral("Error performing image registration"),                                       // 2018
      QStringLiteral("White area operation error"),                                                // 2019
      QStringLiteral("Black border removal operation error"),                                      // 2020
      QStringLiteral("Despeckle operation error"),                                                 // 2021
      QStringLiteral("Hline remove operation error"),                                              // 2022
      QStringLiteral("Illegal offset value for image registration"),                               // 2023
      QStringLiteral("Illegal tif header"),                                                        // 2024
      QStringLiteral("Current page is corrupted"),                                                 // 2025
      QStringLiteral("Image decompression error"),                                                 // 2026
      QStringLiteral("Can not initiate scan engine"),                                              // 2027
      QStringLiteral("Bits per sample is not defined"),                                            // 2028
      QStringLiteral("Not supported Bits Per Sample value"),                                       // 2029
      QStringLiteral("OCR: Illegal input description"),                                            // 2030
      QStringLiteral("OCR: Input file does not exist"),                                            // 2031
      QStringLiteral("OCR: Illegal output description"),                                           // 2032
      QStringLiteral("Illegal first page number"),                                                 // 2033
      QStringLiteral("OCR Engine is not registered"),                                              // 2034
      QStringLiteral("OCR: Error copying to clipboard"),                                           // 2035
      QStringLiteral("OCR: Can not create output file"),                                           // 2036
      QStringLiteral("OCR: Illegal zone definition"),                                              // 2037
      QStringLiteral("Illegal print type."),                                                       // 2038
      QStringLiteral("OCR: Can not copy to clipboard notext data"),                                // 2039
      QStringLiteral("Image is part of multipage files"),                                          // 2040
      QStringLiteral("Error converting image to PDF file"),                                        // 2041
      QStringLiteral("Illegal page range"),                                                        // 2042
      QStringLiteral("Scanning software is not installed"),                                        // 2043
      QStringLiteral("Error initiating scan engine"),                                              // 2044
      QStringLiteral("Illegal image process parameter"),                                           // 2045
      QStringLiteral("Image compression error"),                                                   // 2046
      QStringLiteral("Illegal image region"),                                                      // 2047
      QStringLiteral("File does not exist"),                                                       // 2048
      QStringLiteral("Illegal magnification"),                                                     // 2049
      QStringLiteral("Bar code recognition software not installed"),                               // 2050
      QStringLiteral("Illegal rotation angle"),                                                    // 2051
      QStringLiteral("Can not rollback changes"),                                                  // 2052
      QStringLiteral("Feature is locked by user"),                                                 // 2053
      QStringLiteral("Image processing library is not installed"),                                 // 2054
      QStringLiteral("Unsupported file type"),                                                     // 2055
      QStringLiteral("Function is not supported"),                                                 // 2056
      QStringLiteral("Can not append new page"),                                                   // 2057
      QStringLiteral("File format does not support multiple pages"),                               // 2058
      QStringLiteral("Wrong printer driver name"),                                                 // 2059
      QStringLiteral("No scan source specified"),                                                  // 2060
      QStringLiteral("MAPI log in failed"),                                                        // 2061
      QStringLiteral("MAPI send file failed"),                                                     // 2062
      QStringLiteral("Image file has been changed"),                                               // 2063
      QStringLiteral("Image file has been changed and reloaded"),                                  // 2064
      QStringLiteral("Image file has been opened in read only mode"),                              // 2065
      QStringLiteral("No scanning page scenario selected"),                                        // 2066
      QStringLiteral("Unavailable scanning page scenario"),                                        // 2067
      QStringLiteral("Image processing and barcode reading is not supported for color scanning"),  // 2068
      QStringLiteral("Viewer failed to display a page from the file."),                            // 2069
      QStringLiteral("Black and white images can not be scanned together with color images"),      // 2070
      QStringLiteral("PDF library is not installed"),                                              // 2071
      QStringLiteral("You're not logged in, or your session timed out"),                           // 2072
      QStringLiteral("You're experiencing problem connecting to Pyxa Web service. Check Web service URL by opening it "
                     "in a browser"),                                                             // 2073
      QStringLiteral("Computer is not configured to use Pyxa. Please run 'Full Installation'."),  // 2074
  };
  return table;
}

const QStringList& BuildKofaxErrorTable() { return DocumentErrorTable(); }

QString ViewerErrorText(std::int32_t code) {
  if (code >= kViewerErrorFirst && code <= kViewerErrorLast) {
    return BuildViewerErrorTable().at(code - kViewerErrorFirst);
  }
  return QStringLiteral("Unspecified error # ") + QString::number(code) + QStringLiteral(" (") + Hex(code) +
         QStringLiteral(")");
}

std::int32_t KofaxErrorText(std::int32_t code, QString& text) {
  if (code >= kKofaxErrorFirst && code <= kKofaxErrorLast) {
    text = BuildKofaxErrorTable().at(code - kKofaxErrorFirst);
    return 0;
  }
  if (code >= kScannerDriverErrorFirst && code <= kScannerDriverErrorLast) {
    text = QStringLiteral("The error #") + QString::number(code) + QStringLiteral(" is a Kofax error.");
    return 0;
  }
  text = QStringLiteral("The error #") + QString::number(code) + QStringLiteral(" is not a ScanHarbor or Kofax error.");
  return kKofaxUnresolvedError;
}

QString GenericErrorMessage(std::int32_t number, const QString& description, std::int32_t lastSystemError) {
  return QStringLiteral("An error has occurred.\n#") + NumberShown(number, lastSystemError) +
         QStringLiteral("\nDescription: ") + description;
}

std::int32_t ErrorNumberOf(const std::exception& error) {
  if (const auto* service = dynamic_cast<const ServiceError*>(&error)) return service->Number();
  if (const auto* sql = dynamic_cast<const SqlError*>(&error)) return sql->Code();
  if (const auto* system = dynamic_cast<const std::system_error*>(&error)) return system->code().value();
  if (dynamic_cast<const std::bad_alloc*>(&error)) return ENOMEM;
  return 0;
}

QString ErrorDescriptionOf(const std::exception& error) {
  if (const auto* service = dynamic_cast<const ServiceError*>(&error)) return service->Description();
  if (const auto* sql = dynamic_cast<const SqlError*>(&error)) return sql->Message();
  return QString::fromLocal8Bit(error.what());
}

QString GenericErrorMessage(const std::exception& error, std::int32_t lastSystemError, const QString& firstLine) {
  return firstLine + QStringLiteral("\n#") + NumberShown(ErrorNumberOf(error), lastSystemError) +
         QStringLiteral("\nDescription: ") + ErrorDescriptionOf(error);
}

QString OperationErrorMessage(const QString& firstLine, std::int32_t number, const QString& description,
                              std::int32_t lastSystemError) {
  return firstLine + QStringLiteral("\nError #") + NumberShown(number, lastSystemError) +
         QStringLiteral("\nDescription: ") + description;
}

}  // namespace pyxa
