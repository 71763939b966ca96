// The upload program's command line.
#include <gtest/gtest.h>

#include "UploadArguments.h"

namespace pyxa {
namespace {

UploadArguments Parse(const QStringList& rest) { return ParseUploadArguments(QStringList{QStringLiteral("prog")} + rest); }

TEST(UploadArgumentsTest, NamesTheStoreOrNothing) {
  EXPECT_TRUE(Parse({}).storePath.isEmpty());
  EXPECT_TRUE(Parse({}).error.isEmpty());
  EXPECT_EQ(Parse({QStringLiteral("--store"), QStringLiteral("/a b/documents.mdb")}).storePath,
            QStringLiteral("/a b/documents.mdb"));
  EXPECT_EQ(Parse({QStringLiteral("--store=/x.mdb")}).storePath, QStringLiteral("/x.mdb"));

  for (const QStringList& wrong :
       {QStringList{QStringLiteral("--store")}, QStringList{QStringLiteral("--store=")},
        QStringList{QStringLiteral("--stor"), QStringLiteral("x")}, QStringList{QStringLiteral("/x.mdb")},
        QStringList{QStringLiteral("--store=/a"), QStringLiteral("--store=/b")}}) {
    const UploadArguments parsed = Parse(wrong);
    EXPECT_FALSE(parsed.error.isEmpty()) << wrong.join(QLatin1Char(' ')).toStdString();
  }
}

}  // namespace
}  // namespace pyxa
