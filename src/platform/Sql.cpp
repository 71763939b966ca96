#include "platform/Sql.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QFile>
#include <limits>

namespace pyxa {
namespace {

[[noreturn]] void Fail(sqlite3* db, int code, const QString& what) {
  const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code));
  throw SqlError(code, what.isEmpty() ? detail : what + QStringLiteral(": ") + detail);
}

void CallTextFunction(sqlite3_context* context, int /*count*/, sqlite3_value** arguments) {
  if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  try {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const QString argument = QString::fromUtf8(text, sqlite3_value_bytes(arguments[0]));
    const auto function = *static_cast<SqlConnection::TextFunction*>(sqlite3_user_data(context));
    const QByteArray result = function(argument).toUtf8();
    sqlite3_result_text64(context, result.constData(), static_cast<sqlite3_uint64>(result.size()), SQLITE_TRANSIENT,
                          SQLITE_UTF8);
  } catch (...) {
    // Nothing may unwind through SQLite's C frames.
    sqlite3_result_error_nomem(context);
  }
}

}  // namespace

bool SqlError::IsBusy() const { return (code_ & 0xff) == SQLITE_BUSY || (code_ & 0xff) == SQLITE_LOCKED; }
bool SqlError::IsNotADatabase() const { return (code_ & 0xff) == SQLITE_NOTADB || (code_ & 0xff) == SQLITE_CORRUPT; }

SqlStatement::SqlStatement(sqlite3* db, const QString& sql) : db_(db) {
  const QByteArray text = sql.toUtf8();
  const int rc = sqlite3_prepare_v2(db_, text.constData(), static_cast<int>(text.size()), &stmt_, nullptr);
  if (rc != SQLITE_OK) Fail(db_, sqlite3_extended_errcode(db_), QString());
}

SqlStatement::~SqlStatement() { sqlite3_finalize(stmt_); }

SqlStatement::SqlStatement(SqlStatement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) {
  other.stmt_ = nullptr;
}

SqlStatement& SqlStatement::Bind(int position, const QVariant& value) {
  int rc = SQLITE_OK;
  if (value.isNull()) {
    rc = sqlite3_bind_null(stmt_, position);
  } else {
    switch (value.typeId()) {
      case QMetaType::Bool:
        rc = sqlite3_bind_int64(stmt_, position, value.toBool() ? -1 : 0);
        break;
      case QMetaType::Int:
      case QMetaType::UInt:
      case QMetaType::Long:
      case QMetaType::LongLong:
      case QMetaType::Short:
      case QMetaType::Char:
      case QMetaType::SChar:
      case QMetaType::UChar:
      case QMetaType::UShort:
        rc = sqlite3_bind_int64(stmt_, position, value.toLongLong());
        break;
      case QMetaType::ULong:
      case QMetaType::ULongLong: {
        // SQLite integers are signed: beyond their range the digits go in as text.
        const qulonglong number = value.toULongLong();
        if (number <= static_cast<qulonglong>(std::numeric_limits<qlonglong>::max())) {
          rc = sqlite3_bind_int64(stmt_, position, static_cast<sqlite3_int64>(number));
        } else {
          rc = sqlite3_bind_text(stmt_, position, QByteArray::number(number).constData(), -1, SQLITE_TRANSIENT);
        }
        break;
      }
      case QMetaType::Double:
      case QMetaType::Float:
        rc = sqlite3_bind_double(stmt_, position, value.toDouble());
        break;
      case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        rc = sqlite3_bind_blob64(stmt_, position, bytes.constData(), static_cast<sqlite3_uint64>(bytes.size()),
                                 SQLITE_TRANSIENT);
        break;
      }
      case QMetaType::QDateTime:
        rc = sqlite3_bind_text(stmt_, position,
                               value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8().constData(),
                               -1, SQLITE_TRANSIENT);
        break;
      default: {
        const QByteArray text = value.toString().toUtf8();
        rc = sqlite3_bind_text64(stmt_, position, text.constData(), static_cast<sqlite3_uint64>(text.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
      }
    }
  }
  if (rc != SQLITE_OK) Fail(db_, rc, QStringLiteral("bind"));
  return *this;
}

SqlStatement& SqlStatement::Bind(const char* name, const QVariant& value) {
  const int position = sqlite3_bind_parameter_index(stmt_, name);
  if (position == 0) throw SqlError(SQLITE_RANGE, QStringLiteral("no parameter %1").arg(QString::fromUtf8(name)));
  return Bind(position, value);
}

bool SqlStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Fail(db_, sqlite3_extended_errcode(db_), QString());
}

void SqlStatement::Run() {
  while (Step()) {
  }
}

void SqlStatement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int SqlStatement::Column(const QString& name) const {
  const int count = sqlite3_column_count(stmt_);
  const QByteArray wanted = name.toUtf8();
  for (int i = 0; i < count; ++i) {
    if (wanted == sqlite3_column_name(stmt_, i)) return i;
  }
  return -1;
}

int SqlStatement::RequireColumn(const QString& name) const {
  const int column = Column(name);
  if (column < 0) throw SqlError(SQLITE_RANGE, QStringLiteral("no column %1").arg(name));
  return column;
}

bool SqlStatement::IsNull(const QString& name) const {
  return sqlite3_column_type(stmt_, RequireColumn(name)) == SQLITE_NULL;
}

std::int64_t SqlStatement::Int(const QString& name, std::int64_t whenNull) const {
  const int column = RequireColumn(name);
  if (sqlite3_column_type(stmt_, column) == SQLITE_NULL) return whenNull;
  return sqlite3_column_int64(stmt_, column);
}

double SqlStatement::Real(const QString& name) const { return sqlite3_column_double(stmt_, RequireColumn(name)); }

QString SqlStatement::Text(const QString& name) const {
  const int column = RequireColumn(name);
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt_, column)) : QString();
}

QByteArray SqlStatement::Blob(const QString& name) const {
  const int column = RequireColumn(name);
  const void* data = sqlite3_column_blob(stmt_, column);
  return data ? QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(stmt_, column)) : QByteArray();
}

QVariant SqlStatement::Value(const QString& name) const {
  const int column = RequireColumn(name);
  switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_NULL:
      return {};
    case SQLITE_INTEGER:
      return QVariant::fromValue<qlonglong>(sqlite3_column_int64(stmt_, column));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt_, column);
    case SQLITE_BLOB:
      return Blob(name);
    default:
      return Text(name);
  }
}

SqlConnection::SqlConnection(const QString& path, Mode mode, int busyTimeoutMs) : path_(path) {
  int flags = SQLITE_OPEN_FULLMUTEX;
  if (mode == Mode::ReadOnly) {
    flags |= SQLITE_OPEN_READONLY;
  } else {
    flags |= SQLITE_OPEN_READWRITE;
    if (mode == Mode::Create) flags |= SQLITE_OPEN_CREATE;
  }
  const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const QString message = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    sqlite3_close(db_);
    db_ = nullptr;
    throw SqlError(rc, message);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, busyTimeoutMs);
  try {
    // The program and the upload program write one file from two processes: rollback journal,
    // not WAL. Reading the schema here also finds a file that is not a database at once.
    Execute(
        QStringLiteral("PRAGMA page_size=16384; PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;"
                       " PRAGMA foreign_keys=ON; SELECT count(*) FROM sqlite_master;"));
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

SqlConnection::~SqlConnection() { sqlite3_close_v2(db_); }

SqlStatement SqlConnection::Prepare(const QString& sql) { return SqlStatement(db_, sql); }

void SqlConnection::Execute(const QString& sql) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    const QString message = error ? QString::fromUtf8(error) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_free(error);
    throw SqlError(sqlite3_extended_errcode(db_), message);
  }
}

void SqlConnection::DefineFunction(const char* name, TextFunction function) {
  // SQLite frees the holder with the connection, or at once when the definition fails.
  auto* holder = new TextFunction(function);
  const int rc = sqlite3_create_function_v2(db_, name, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, holder,
                                            CallTextFunction, nullptr, nullptr,
                                            [](void* held) { delete static_cast<TextFunction*>(held); });
  if (rc != SQLITE_OK) Fail(db_, rc, QStringLiteral("define function"));
}

std::int64_t SqlConnection::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }
int SqlConnection::Changes() const { return sqlite3_changes(db_); }

SqlTransaction::SqlTransaction(SqlConnection& connection) : connection_(connection) {
  connection_.Execute(QStringLiteral("BEGIN IMMEDIATE"));
}

SqlTransaction::~SqlTransaction() {
  if (done_) return;
  try {
    connection_.Execute(QStringLiteral("ROLLBACK"));
  } catch (...) {
    // The transaction may already be gone (SQLite rolls back on some errors by itself).
  }
}

void SqlTransaction::Commit() {
  connection_.Execute(QStringLiteral("COMMIT"));
  done_ = true;
}

}  // namespace pyxa
