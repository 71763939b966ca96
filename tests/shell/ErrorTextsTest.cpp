#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <system_error>

#include "components/ClinicalService.h"
#include "platform/Sql.h"
#include "shell/ErrorTexts.h"

namespace pyxa {
namespace {

TEST(ViewerErrorText, TableEntriesAndTheirBoundaries) {
  EXPECT_EQ(BuildViewerErrorTable().size(), 75);
  EXPECT_EQ(ViewerErrorText(2000), QString());
  for (std::int32_t code = 2001; code <= 2074; ++code) EXPECT_FALSE(ViewerErrorText(code).isEmpty()) << code;

  EXPECT_EQ(ViewerErrorText(2001), QStringLiteral("Not sufficient memory"));
  EXPECT_EQ(ViewerErrorText(2007), QStringLiteral("Unsufficient memory"));
  EXPECT_EQ(ViewerErrorText(2012), QStringLiteral("Illegat deskew speed parameter"));
  EXPECT_EQ(ViewerErrorText(2013), QStringLiteral("Illegal compression type (should be from 1 to 4)"));
  EXPECT_EQ(ViewerErrorText(2040), QStringLiteral("Image is part of multipage files"));
  EXPECT_EQ(ViewerErrorText(2072), QStringLiteral("You're not logged in, or your session timed out"));
  EXPECT_EQ(ViewerErrorText(2073), QStringLiteral("You're experiencing problem connecting to Pyxa Web service. "
                                                  "Check Web service URL by opening it in a browser"));
  EXPECT_EQ(ViewerErrorText(2074),
            QStringLiteral("Computer is not configured to use Pyxa. Please run 'Full Installation'."));
}

TEST(ViewerErrorText, CodesOutsideTheTableAreUnspecified) {
  EXPECT_EQ(ViewerErrorText(1999), QStringLiteral("Unspecified error # 1999 (7CF)"));
  EXPECT_EQ(ViewerErrorText(2075), QStringLiteral("Unspecified error # 2075 (81B)"));
  EXPECT_EQ(ViewerErrorText(0), QStringLiteral("Unspecified error # 0 (0)"));
  EXPECT_EQ(ViewerErrorText(-1), QStringLiteral("Unspecified error # -1 (FFFFFFFF)"));
}

TEST(KofaxErrorText, TableEntries) {
  EXPECT_EQ(BuildKofaxErrorTable().size(), 69);
  QString text;
  for (std::int32_t code = 3000; code <= 3068; ++code) {
    EXPECT_EQ(KofaxErrorText(code, text), 0) << code;
    EXPECT_FALSE(text.isEmpty()) << code;
  }
  KofaxErrorText(3000, text);
  EXPECT_EQ(text, QStringLiteral("The function was called without specifying a file name."));
  KofaxErrorText(3006, text);
  EXPECT_EQ(text, QStringLiteral("Failed to resolve the error provided."));
  KofaxErrorText(3045, text);
  EXPECT_EQ(text, QStringLiteral("The Kofax source for file import was not specified. Configure an 'import from disk "
                                 "with image processing' source through Control Panel -> KSM, then select it in "
                                 "Tools -> Preferences -> File Import."));
  KofaxErrorText(3068, text);
  EXPECT_EQ(text, QStringLiteral("The current image processing scenario is not configured to read barcodes"));
}

TEST(KofaxErrorText, ScannerDriverRangeAndUnknownCodes) {
  QString text;
  for (std::int32_t code : {20000, 20450}) {
    EXPECT_EQ(KofaxErrorText(code, text), 0);
    EXPECT_EQ(text, QStringLiteral("The error #%1 is a Kofax error.").arg(code));
  }
  for (std::int32_t code : {2999, 3069, 19999, 20451, -5}) {
    EXPECT_EQ(KofaxErrorText(code, text), 3006) << code;
    EXPECT_EQ(text, QStringLiteral("The error #%1 is not a ScanHarbor or Kofax error.").arg(code));
  }
}

TEST(ErrorMessages, GenericAndOperationShapes) {
  EXPECT_EQ(GenericErrorMessage(91, QStringLiteral("Object not set")),
            QStringLiteral("An error has occurred.\n#91\nDescription: Object not set"));
  // A failure without a number of its own shows the system's last error instead.
  EXPECT_EQ(GenericErrorMessage(0, QStringLiteral("Lost"), 13),
            QStringLiteral("An error has occurred.\n#13\nDescription: Lost"));
  EXPECT_EQ(GenericErrorMessage(7, QStringLiteral("x"), 13),
            QStringLiteral("An error has occurred.\n#7\nDescription: x"));
  EXPECT_EQ(OperationErrorMessage(QStringLiteral("Failed to load your documents for uploading."), 53,
                                  QStringLiteral("File not found")),
            QStringLiteral("Failed to load your documents for uploading.\nError #53\nDescription: File not found"));
  EXPECT_EQ(OperationErrorMessage(QStringLiteral("First"), 0, QStringLiteral("d"), 2),
            QStringLiteral("First\nError #2\nDescription: d"));
}

TEST(ErrorMessages, ACaughtFailureShowsItsOwnNumberOrElseTheSystemsLastError) {
  struct Case {
    std::function<void()> raise;
    const char* expected;
  } const cases[] = {
      {[] { throw ServiceError(5001, QStringLiteral("Unable to connect")); }, "#5001\nDescription: Unable to connect"},
      {[] { throw SqlError(13, QStringLiteral("database or disk is full")); },
       "#13\nDescription: database or disk is full"},
      {[] { throw std::system_error(ENOSPC, std::generic_category(), "write"); },
       "#28\nDescription: write: No space left on device"},
      {[] { throw std::filesystem::filesystem_error("copy", std::make_error_code(std::errc::permission_denied)); },
       "#13\nDescription: filesystem error: copy: Permission denied"},
      {[] { throw std::bad_alloc(); }, "#12\nDescription: std::bad_alloc"},
      {[] { throw std::runtime_error("no number"); }, "#5\nDescription: no number"},  // the system's EIO
      {[] { throw ServiceError(0, QStringLiteral("none")); }, "#5\nDescription: none"},
  };
  for (const Case& c : cases) {
    try {
      c.raise();
    } catch (const std::exception& error) {
      EXPECT_EQ(GenericErrorMessage(error, EIO),
                QStringLiteral("An error has occurred.\n") + QString::fromUtf8(c.expected));
      EXPECT_EQ(GenericErrorMessage(error, EIO, QStringLiteral("An error has occurred in Upload Now.")),
                QStringLiteral("An error has occurred in Upload Now.\n") + QString::fromUtf8(c.expected));
    }
  }
}

}  // namespace
}  // namespace pyxa
