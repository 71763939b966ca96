#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <limits>
#include <stdexcept>

#include "platform/Sql.h"

namespace pyxa {
namespace {

class SqlTest : public ::testing::Test {
 protected:
  QString Path() const { return dir_.filePath(QStringLiteral("documents.mdb")); }
  std::int64_t Count(SqlConnection& db, const QString& table = QStringLiteral("t")) {
    auto st = db.Prepare(QStringLiteral("SELECT count(*) AS n FROM ") + table);
    EXPECT_TRUE(st.Step());
    return st.Int(QStringLiteral("n"));
  }
  QTemporaryDir dir_;
};

TEST_F(SqlTest, BindsAndReadsEveryKindOfValue) {
  SqlConnection db(Path(), SqlConnection::Mode::Create);
  db.Execute(QStringLiteral("CREATE TABLE v (id INTEGER PRIMARY KEY, x)"));
  const QByteArray bytes("\x00\x01\xff tiff", 8);
  const QString text = QString::fromUtf8("Zoë ") + QChar(0) + QStringLiteral(" 東京");
  const QList<QVariant> values{
      QVariant(std::numeric_limits<qlonglong>::min()),
      QVariant(42),
      QVariant(3000000000u),
      QVariant(static_cast<qulonglong>(std::numeric_limits<qlonglong>::max())),
      QVariant(true),
      QVariant(false),
      QVariant(2.5),
      QVariant(text),
      QVariant(bytes),
      QVariant(QByteArray()),
      QVariant(QString()),
      QVariant(QDateTime(QDate(2026, 1, 5), QTime(9, 30, 15))),
      QVariant(),
  };
  auto insert = db.Prepare(QStringLiteral("INSERT INTO v (id, x) VALUES (:id, ?2)"));
  for (int i = 0; i < values.size(); ++i) {
    insert.Bind(":id", i).Bind(2, values[i]).Run();
    insert.Reset();
  }
  EXPECT_EQ(db.LastInsertId(), values.size() - 1);
  EXPECT_EQ(db.Changes(), 1);

  const QString x = QStringLiteral("x"), kind = QStringLiteral("kind");
  auto read = db.Prepare(QStringLiteral("SELECT x, typeof(x) AS kind FROM v WHERE id = ?"));
  const auto row = [&](int id) -> SqlStatement& {
    read.Reset();
    read.Bind(1, id);
    EXPECT_TRUE(read.Step());
    return read;
  };
  EXPECT_EQ(row(0).Int(x), std::numeric_limits<qlonglong>::min());
  EXPECT_EQ(row(1).Value(x), QVariant(qlonglong(42)));
  EXPECT_EQ(row(2).Int(x), 3000000000LL);
  EXPECT_EQ(row(3).Int(x), std::numeric_limits<qlonglong>::max());
  EXPECT_EQ(read.Text(kind), QStringLiteral("integer"));
  EXPECT_EQ(row(4).Int(x), -1);  // stored Booleans are -1 and 0
  EXPECT_EQ(row(5).Int(x), 0);
  EXPECT_DOUBLE_EQ(row(6).Real(x), 2.5);
  EXPECT_EQ(row(7).Text(x), text);
  EXPECT_EQ(row(8).Blob(x), bytes);
  EXPECT_EQ(read.Value(x).toByteArray(), bytes);
  EXPECT_EQ(row(9).Text(kind), QStringLiteral("blob"));  // empty, not NULL
  EXPECT_FALSE(read.IsNull(x));
  EXPECT_EQ(row(10).Text(kind), QStringLiteral("text"));
  EXPECT_EQ(row(11).Text(x), QStringLiteral("2026-01-05 09:30:15"));
  EXPECT_TRUE(row(12).IsNull(x));
  EXPECT_EQ(read.Int(x, 7), 7);
  EXPECT_FALSE(read.Value(x).isValid());
  EXPECT_EQ(read.Text(x), QString());

  EXPECT_EQ(read.Column(kind), 1);
  EXPECT_EQ(read.Column(QStringLiteral("KIND")), -1);  // names are exact
  EXPECT_THROW(read.Int(QStringLiteral("missing")), SqlError);
  EXPECT_THROW(insert.Bind(":nope", 1), SqlError);
  EXPECT_THROW(db.Prepare(QStringLiteral("SELEC x FROM v")), SqlError);
}

TEST_F(SqlTest, OpensForTwoProcessesWithRollbackJournalAndFullSync) {
  SqlConnection db(Path(), SqlConnection::Mode::Create);
  auto pragma = [&](const QString& name) {
    auto st = db.Prepare(QStringLiteral("PRAGMA ") + name);
    EXPECT_TRUE(st.Step());
    return st.Value(name);
  };
  EXPECT_EQ(pragma(QStringLiteral("journal_mode")).toString(), QStringLiteral("delete"));
  EXPECT_EQ(pragma(QStringLiteral("synchronous")).toInt(), 2);
  EXPECT_EQ(pragma(QStringLiteral("page_size")).toInt(), 16384);
  EXPECT_EQ(pragma(QStringLiteral("foreign_keys")).toInt(), 1);
}

TEST_F(SqlTest, TransactionsCommitOrRollBack) {
  SqlConnection db(Path(), SqlConnection::Mode::Create);
  db.Execute(QStringLiteral("CREATE TABLE t (x INTEGER NOT NULL)"));
  {
    SqlTransaction tx(db);
    db.Prepare(QStringLiteral("INSERT INTO t VALUES (1)")).Run();
    tx.Commit();
  }
  EXPECT_THROW(
      {
        SqlTransaction tx(db);
        db.Prepare(QStringLiteral("INSERT INTO t VALUES (2)")).Run();
        throw std::runtime_error("page copy failed");
      },
      std::runtime_error);
  {
    SqlTransaction tx(db);  // never committed
    db.Prepare(QStringLiteral("INSERT INTO t VALUES (3)")).Run();
  }
  EXPECT_THROW(
      {
        SqlTransaction tx(db);
        db.Prepare(QStringLiteral("INSERT INTO t VALUES (4)")).Run();
        db.Prepare(QStringLiteral("INSERT INTO t VALUES (NULL)")).Run();  // constraint fails
        tx.Commit();
      },
      SqlError);
  EXPECT_EQ(Count(db), 1);
  SqlTransaction again(db);  // nothing left open
  again.Commit();
}

TEST_F(SqlTest, SecondWriterOnOneFileTimesOutBusy) {
  SqlConnection first(Path(), SqlConnection::Mode::Create);
  first.Execute(QStringLiteral("CREATE TABLE t (x INTEGER)"));
  SqlConnection second(Path(), SqlConnection::Mode::ReadWrite, 100);
  {
    SqlTransaction tx(first);
    first.Prepare(QStringLiteral("INSERT INTO t VALUES (1)")).Run();
    QElapsedTimer timer;
    timer.start();
    try {
      SqlTransaction blocked(second);
      FAIL() << "second writer got the lock";
    } catch (const SqlError& e) {
      EXPECT_TRUE(e.IsBusy()) << e.what();
      EXPECT_FALSE(e.IsNotADatabase());
    }
    EXPECT_GE(timer.elapsed(), 80);  // it waited for its busy time-out
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(Count(second), 0);  // readers still see the committed state
    tx.Commit();
  }
  SqlTransaction now(second);
  second.Prepare(QStringLiteral("INSERT INTO t VALUES (2)")).Run();
  now.Commit();
  EXPECT_EQ(Count(first), 2);
}

TEST_F(SqlTest, RefusesFilesThatAreNotDatabasesOrMissing) {
  {
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
  }
  try {
    SqlConnection db(Path());
    FAIL() << "opened a text file";
  } catch (const SqlError& e) {
    EXPECT_TRUE(e.IsNotADatabase()) << e.what();
  }
  EXPECT_EQ(QFile(Path()).size(), 4096);  // left as it was

  const QString missing = dir_.filePath(QStringLiteral("missing.mdb"));
  EXPECT_THROW(SqlConnection(missing, SqlConnection::Mode::ReadOnly), SqlError);
  EXPECT_THROW(SqlConnection(missing, SqlConnection::Mode::ReadWrite), SqlError);
  EXPECT_FALSE(QFile::exists(missing));

  { SqlConnection(missing, SqlConnection::Mode::Create).Execute(QStringLiteral("CREATE TABLE t (x)")); }
  SqlConnection reader(missing, SqlConnection::Mode::ReadOnly);
  EXPECT_EQ(Count(reader), 0);
  try {
    reader.Execute(QStringLiteral("INSERT INTO t VALUES (1)"));
    FAIL() << "wrote through a read-only connection";
  } catch (const SqlError& e) {
    EXPECT_FALSE(e.Message().isEmpty());
  }
}

}  // namespace
}  // namespace pyxa
