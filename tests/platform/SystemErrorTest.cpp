#include <gtest/gtest.h>

#include <cerrno>

#include "platform/SystemError.h"

namespace pyxa {
namespace {

TEST(FormatSystemError, SystemTextWithHexadecimalCode) {
  QString text;
  EXPECT_EQ(FormatSystemError(ENOENT, text), 0);
  EXPECT_EQ(text, QStringLiteral("No such file or directory (2)"));
  EXPECT_EQ(FormatSystemError(EACCES, text), 0);
  EXPECT_EQ(text, QStringLiteral("Permission denied (D)"));
  EXPECT_EQ(FormatSystemError(EBADMSG, text), 0);
  EXPECT_EQ(text, QStringLiteral("Bad message (4A)"));
  EXPECT_EQ(SystemErrorText(ENOSPC), QStringLiteral("No space left on device (1C)"));
}

TEST(FormatSystemError, UnknownCodesGiveTheFallbackText) {
  for (const std::int32_t code : {-1, 99999, 1 << 30}) {
    QString text;
    EXPECT_EQ(FormatSystemError(code, text), -1) << code;
    EXPECT_EQ(text, QStringLiteral("Cannot FormatMessage from Win32. Returned - 0"));
  }
}

}  // namespace
}  // namespace pyxa
