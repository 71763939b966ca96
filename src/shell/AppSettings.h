// The program's one settings record: read from the two registry hives at start-up, changed by
// the windows while the program runs, and written back when the main window closes.
#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

namespace pyxa {

inline constexpr qint32 kSheetCovers = 1, kSheetSeparators = 2, kSheetPatches = 4;

struct AppSettings {
  // Working folders; each ends with "/".
  QString AvailableFolder;                // documents waiting to be indexed
  QString UploadsFolder;                  // documents queued for upload (documents.mdb lives here)
  std::array<QString, 2> WorkingFolders;  // the two above, checked and created at load
  bool Kofax = false;                     // scanner kind: the production scanner when true
  qint16 MainFormLeft = -1;               // main window geometry; -1 means not stored
  qint16 MainFormTop = -1;
  qint16 MainFormWidth = -1;
  qint16 MainFormHeight = -1;
  qint16 NavigatorLeft = -1;  // the navigator window's place; -1 means not stored
  qint16 NavigatorTop = -1;
  qint32 NavigatorShown = 0;  // 1 while the navigator is open, so that it opens again at the next start
  // Cover and separator sheets: whether a batch shown for indexing is read for them, which kinds
  // (kSheet* bits), and whether the sheets stay in the file when their documents are filed.
  qint32 FindSheets = 1;
  qint32 SheetKinds = 7;
  qint32 KeepSheetPages = 0;
  // Whether the pages shown are read for the patient, category and sender they name.
  qint32 ReadPages = 1;
  QString WebServiceURL;  // empty: the program is not configured
  qint16 WebServiceTimeout = 60;
  // Certificates a clinic server's own certificate authority signs with, trusted beside the
  // system's ("WebService_CAFile"); and the one http: address the user has accepted although it is
  // not secure ("WebService_Insecure"). Written only when set.
  QString WebServiceCAFile;
  QString WebServiceInsecureURL;
  QString SupportPackage;  // support-package installer, relative to the program folder
  bool SupportPackageInstalled = false;
  QString LastLogin;          // pre-filled in the login window
  qint32 StorePhysician = 0;  // the last indexing values, restored as defaults
  qint32 StoreCategory = 0;
  qint32 StoreType = 0;
  QString StoreTypeDesc;
  qint32 StoreSenderID = 0;
  QString StoreSender;
  QString StoreDate;
  QString StoreDocName;
  QString StoreAbnormal;
  QString StoreSignoff;

  // The selected scanner's name. Stored as its own registry value beside the record rather than
  // one of its fields; it is kept here so that it travels with the rest of the settings.
  QString Scanner;
};

}  // namespace pyxa
