#include "shell/ErrorTexts.h"

#include <cerrno>
#include <new>
#include <system_error>

#include "components/ClinicalService.h"
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

const QStringList& BuildKofaxErrorTable() {
  static const QStringList table = {
      QStringLiteral("The function was called without specifying a file name."),                      // 3000
      QStringLiteral("The file specified does not exist."),                                           // 3001
      QStringLiteral("ShowDocument cannot load the file into the Kofax View control."),               // 3002
      QStringLiteral("Failed to reset the Document object."),                                         // 3003
      QStringLiteral("The page has no bar codes."),                                                   // 3004
      QStringLiteral("The page does not exist in the document."),                                     // 3005
      QStringLiteral("Failed to resolve the error provided."),                                        // 3006
      QStringLiteral("The document is in a temporary file, and must be saved as a permanent file."),  // 3007
      QStringLiteral("The file could not be copied using WIN32 API CopyFile()"),                      // 3008
      QStringLiteral("The document has not been altered."),                                           // 3009
      QStringLiteral("The specified device (disk or scanner source) cannot be reserved."),            // 3010
      QStringLiteral("There is currently no page cut from the document."),                            // 3011
      QStringLiteral("The page you have specified does not exist in the document."),                  // 3012
      QStringLiteral("The scanning operation was cancelled by the user."),                            // 3013
      QStringLiteral("The file specified already exists."),                                           // 3014
      QStringLiteral("The file specified is read-only."),                                             // 3015
      QStringLiteral("No image file is currently opened."),                                           // 3016
      QStringLiteral("The specified range of pages is outside the current document's page range."),   // 3017
      QStringLiteral("The document object has not been created."),                                    // 3018
      QStringLiteral("No document is currently opened."),                                             // 3019
      QStringLiteral("The page scenario specified does not exist in the scenarios directory."),       // 3020
      QStringLiteral("The requested compression is not available."),                                  // 3021
      QStringLiteral("The requested file format is not yet supported."),                              // 3022
      QStringLiteral("An error occurred during the KScan Batch Start event."),                        // 3023
      QStringLiteral("An error occurred during the KScan Page Start event."),                         // 3024
      QStringLiteral("An error occurred during the KScan Page End event."),                           // 3025
      QStringLiteral("An error occurred during the KScan Page Annotate event."),                      // 3026
      QStringLiteral("An error occurred during the KScan Page Done event."),                          // 3027
      QStringLiteral("An error occurred during the KScan Batch End event."),                          // 3028
      QStringLiteral("An error occurred during the scanning."),                                       // 3029
      QStringLiteral("Cannot determine the file's attributes."),                                      // 3030
      QStringLiteral("Cannot obtain a read or write lock to the file. Please check that nobody else is using the file "
                     "and try to reopen it."),                                                               // 3031
      QStringLiteral("Automation failed to signal the event."),                                              // 3032
      QStringLiteral("The save was cancelled through automation."),                                          // 3033
      QStringLiteral("The event raised did not receive correct information through its return parameter."),  // 3034
      QStringLiteral("No page scenario is currently selected."),                                             // 3035
      QStringLiteral("There is no paper in the scanner."),                                                   // 3036
      QStringLiteral("Please select a Kofax source to scan with."),                                          // 3037
      QStringLiteral("The option specified does not represent a valid option."),                             // 3038
      QStringLiteral(
          "The option specified has already been locked by an overriding function such as LockUser()"),  // 3039
      QStringLiteral("Kofax reports that no printers are currently set up on this computer."),           // 3040
      QStringLiteral("The page(s) specified for deletion is missing the front side of a duplex page."),  // 3041
      QStringLiteral("The page(s) specified for deletion is missing the back side of a duplex page."),   // 3042
      QStringLiteral("The specified page type is invalid."),                                             // 3043
      QStringLiteral("The INI file specified for file import does not exist."),                          // 3044
      QStringLiteral(
          "The Kofax source for file import was not specified. Configure an 'import from disk with image processing' "
          "source through Control Panel -> KSM, then select it in Tools -> Preferences -> File Import."),  // 3045
      QStringLiteral("The Document object is not configured for file processing. Please check Tools -> Preferences -> "
                     "File Import."),                                                             // 3046
      QStringLiteral("The INI file for file import was not specified."),                          // 3047
      QStringLiteral("No Kofax source has been reserved for scanning. Select a source."),         // 3048
      QStringLiteral("There is no default Kofax source stored in the registry yet."),             // 3049
      QStringLiteral("Save could not make a backup of the original document."),                   // 3050
      QStringLiteral("A temporary file name could not be created."),                              // 3051
      QStringLiteral("Save could not restore the backup file to the original document's name."),  // 3052
      QStringLiteral("You cannot have simplex pages in a document that is duplex."),              // 3053
      QStringLiteral("You cannot have duplex pages in a document that is simplex."),              // 3054
      QStringLiteral("This document has an odd number of pages and cannot be opened as a Duplex document. To correct "
                     "this open it as simplex, scan append or delete a page, and reopen as duplex."),  // 3055
      QStringLiteral("The file could not be moved using WIN32 API MoveFile()"),                        // 3056
      QStringLiteral("No scanning sources are configured in the Kofax Source Manager."),               // 3057
      QStringLiteral("No page scenarios exist on this machine."),                                      // 3058
      QStringLiteral("The action was cancelled by the user."),                                         // 3059
      QStringLiteral("No page number was specified."),                                                 // 3060
      QStringLiteral("Cannot append colour pages to a black and white document."),                     // 3061
      QStringLiteral("Cannot append black and white pages to a colour document."),                     // 3062
      QStringLiteral("Failed to load the scenario file to the KImgp control."),                        // 3063
      QStringLiteral("Failed to load the scenario file to the KScan control."),                        // 3064
      QStringLiteral("There is no document to append to."),                                            // 3065
      QStringLiteral("Saving as PDF is not supported on this machine. Required library is missing."),  // 3066
      QStringLiteral("Wrong printer name"),                                                            // 3067
      QStringLiteral("The current image processing scenario is not configured to read barcodes"),      // 3068
  };
  return table;
}

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
