// A thin layer over SQLite for the program's stores: a connection set up for two processes
// sharing one file (rollback journal, full sync, busy time-out), prepared statements with
// bound values, fields by name, and write transactions. Errors throw SqlError.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

namespace pyxa {

class SqlError : public std::runtime_error {
 public:
  SqlError(int code, const QString& message)
      : std::runtime_error(message.toStdString()), code_(code), message_(message) {}
  int Code() const { return code_; }  // SQLite's (extended) result code
  const QString& Message() const { return message_; }
  bool IsBusy() const;  // the file is locked by another connection or process
  bool IsNotADatabase() const;

 private:
  int code_;
  QString message_;
};

class SqlStatement {
 public:
  SqlStatement(sqlite3* db, const QString& sql);
  ~SqlStatement();
  SqlStatement(SqlStatement&& other) noexcept;
  SqlStatement& operator=(SqlStatement&&) = delete;
  SqlStatement(const SqlStatement&) = delete;
  SqlStatement& operator=(const SqlStatement&) = delete;

  // Binding by 1-based position or by ":name". QVariant null binds NULL; bool binds -1/0.
  SqlStatement& Bind(int position, const QVariant& value);
  SqlStatement& Bind(const char* name, const QVariant& value);

  // Runs one step: true while a row is available.
  bool Step();
  // Runs to completion (statements without rows).
  void Run();
  void Reset();

  // Fields of the current row by column name (exact, as the statement names them).
  int Column(const QString& name) const;  // -1 when the statement has no such column
  bool IsNull(const QString& name) const;
  std::int64_t Int(const QString& name, std::int64_t whenNull = 0) const;
  double Real(const QString& name) const;
  QString Text(const QString& name) const;
  QByteArray Blob(const QString& name) const;
  QVariant Value(const QString& name) const;

 private:
  int RequireColumn(const QString& name) const;
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

class SqlConnection {
 public:
  enum class Mode { ReadWrite, Create, ReadOnly };
  static constexpr int kDefaultBusyMs = 5000;

  // Opens the file; Create makes it when missing. Throws SqlError when the file cannot be
  // opened or is not a database.
  explicit SqlConnection(const QString& path, Mode mode = Mode::ReadWrite, int busyTimeoutMs = kDefaultBusyMs);
  ~SqlConnection();
  SqlConnection(const SqlConnection&) = delete;
  SqlConnection& operator=(const SqlConnection&) = delete;

  SqlStatement Prepare(const QString& sql);
  void Execute(const QString& sql);  // one or more statements without bound values

  // Makes function callable as name(text) in this connection's SQL: deterministic, one text
  // argument, NULL in gives NULL out. Other connections on the file do not see it.
  using TextFunction = QString (*)(const QString&);
  void DefineFunction(const char* name, TextFunction function);
  std::int64_t LastInsertId() const;
  int Changes() const;
  const QString& Path() const { return path_; }

 private:
  QString path_;
  sqlite3* db_ = nullptr;
};

// BEGIN IMMEDIATE on construction; rolls back unless Commit() was called.
class SqlTransaction {
 public:
  explicit SqlTransaction(SqlConnection& connection);
  ~SqlTransaction();
  SqlTransaction(const SqlTransaction&) = delete;
  SqlTransaction& operator=(const SqlTransaction&) = delete;
  void Commit();

 private:
  SqlConnection& connection_;
  bool done_ = false;
};

}  // namespace pyxa
