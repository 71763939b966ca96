#include "document/DocumentErrors.h"

namespace pyxa {

const QStringList& DocumentErrorTable() {
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

QString DocumentErrorText(std::int32_t code) {
  if (code < kDocErrorFirst || code > kDocErrorLast) return QString();
  return DocumentErrorTable().at(code - kDocErrorFirst);
}

}  // namespace pyxa
