#include "history/sqlite_db.h"

#include <sqlite3.h>

namespace ovik {

SqlStatement::~SqlStatement() { sqlite3_finalize(statement_); }

int SqlStatement::Prepare(sqlite3* db, std::string_view sql) {
  sqlite3_finalize(statement_);
  statement_ = nullptr;
  bind_error_ = 0;
  return sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                            SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
}

void SqlStatement::Bind(int index, std::int64_t value) {
  const int rc = sqlite3_bind_int64(statement_, index, value);
  if (rc != SQLITE_OK && bind_error_ == 0) bind_error_ = rc;
}

void SqlStatement::BindBlob(int index, std::string_view bytes) {
  // A null pointer would bind NULL, not an empty value.
  const char* data = bytes.empty() ? "" : bytes.data();
  const int rc = sqlite3_bind_blob64(statement_, index, data, bytes.size(),
                                     SQLITE_TRANSIENT);
  if (rc != SQLITE_OK && bind_error_ == 0) bind_error_ = rc;
}

void SqlStatement::BindText(int index, std::string_view text) {
  const char* data = text.empty() ? "" : text.data();
  const int rc = sqlite3_bind_text64(statement_, index, data, text.size(),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
  if (rc != SQLITE_OK && bind_error_ == 0) bind_error_ = rc;
}

void SqlStatement::BindNull(int index) {
  const int rc = sqlite3_bind_null(statement_, index);
  if (rc != SQLITE_OK && bind_error_ == 0) bind_error_ = rc;
}

int SqlStatement::Step() {
  if (bind_error_ != 0) return bind_error_;
  return sqlite3_step(statement_);
}

void SqlStatement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
  bind_error_ = 0;
}

std::int64_t SqlStatement::Int(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::string_view SqlStatement::Blob(int column) const {
  const void* data = sqlite3_column_blob(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  if (data == nullptr || size <= 0) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

bool SqlStatement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

int ExecSql(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

}  // namespace ovik
