// The clinic server's command line: what it takes, and the one-line reasons it refuses.
#include <gtest/gtest.h>

#include "ServerArguments.h"

namespace pyxa {
namespace {

const QStringList kRequired = {QStringLiteral("--clinic"), QStringLiteral("c.sqlite"), QStringLiteral("--cert"),
                               QStringLiteral("s.pem"),    QStringLiteral("--key"),    QStringLiteral("k.pem")};

ServerArguments Parse(const QStringList& extra, const QStringList& base = kRequired) {
  return ParseServerArguments(QStringList{QStringLiteral("pyxa-clinic-server")} + base + extra);
}

TEST(ServerArgumentsTest, ReadsEveryOption) {
  const ServerArguments defaults = Parse({});
  EXPECT_TRUE(defaults.error.isEmpty()) << defaults.error.toStdString();
  EXPECT_EQ(defaults.clinicPath, QStringLiteral("c.sqlite"));
  EXPECT_EQ(defaults.certificatePath, QStringLiteral("s.pem"));
  EXPECT_EQ(defaults.keyPath, QStringLiteral("k.pem"));
  EXPECT_EQ(defaults.host, QStringLiteral("0.0.0.0"));
  EXPECT_EQ(defaults.port, 8443);
  EXPECT_EQ(defaults.threads, 64);
  EXPECT_FALSE(defaults.createDemo);

  const ServerArguments given = Parse({QStringLiteral("--listen=[::1]:9000"), QStringLiteral("--threads"),
                                       QStringLiteral("4"), QStringLiteral("--create-demo")});
  EXPECT_TRUE(given.error.isEmpty()) << given.error.toStdString();
  EXPECT_EQ(given.host, QStringLiteral("::1"));
  EXPECT_EQ(given.port, 9000);
  EXPECT_EQ(given.threads, 4);
  EXPECT_TRUE(given.createDemo);
}

TEST(ServerArgumentsTest, RefusesWhatItCannotUse) {
  struct Case {
    QStringList extra, base;
    const char* reason;
  };
  const Case cases[] = {
      {{}, {}, "--clinic is missing"},
      {{}, kRequired.mid(0, 4), "--key is missing"},
      {{QStringLiteral("--clinic")}, {}, "--clinic needs a value"},
      {{QStringLiteral("--cert=")}, kRequired, "--cert needs a value"},
      {{QStringLiteral("--port"), QStringLiteral("1")}, kRequired, "unknown argument \"--port\""},
      {{QStringLiteral("--listen"), QStringLiteral("localhost")}, kRequired, "is not HOST:PORT"},
      {{QStringLiteral("--listen"), QStringLiteral("localhost:70000")}, kRequired, "is not HOST:PORT"},
      {{QStringLiteral("--threads"), QStringLiteral("0")}, kRequired, "is not a number from 1 to 1024"},
      {{QStringLiteral("--threads"), QStringLiteral("many")}, kRequired, "is not a number from 1 to 1024"},
      {{QStringLiteral("--create-demo=yes")}, kRequired, "takes no value"},
  };
  for (const Case& c : cases) {
    const ServerArguments parsed = Parse(c.extra, c.base);
    EXPECT_TRUE(parsed.error.contains(QLatin1String(c.reason)))
        << c.extra.join(u' ').toStdString() << " -> " << parsed.error.toStdString();
  }
}

}  // namespace
}  // namespace pyxa
