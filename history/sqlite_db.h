// A thin layer over SQLite's C interface: a connection and a prepared
// statement that close themselves, binding and reading bytes exactly.
// Calls return SQLite's result codes; history.cc turns them into
// messages.
#ifndef OVIK_HISTORY_SQLITE_DB_H_
#define OVIK_HISTORY_SQLITE_DB_H_

#include <cstdint>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace ovik {

// SQLite keeps 64-bit signed integers: figures above 2^63 - 1 are kept
// as the negative number of the same bits and read back exactly.
inline std::int64_t ToSqlInteger(std::uint64_t n) {
  return static_cast<std::int64_t>(n);
}
inline std::uint64_t FromSqlInteger(std::int64_t n) {
  return static_cast<std::uint64_t>(n);
}

class SqlStatement {
 public:
  SqlStatement() = default;
  ~SqlStatement();
  SqlStatement(const SqlStatement&) = delete;
  SqlStatement& operator=(const SqlStatement&) = delete;

  int Prepare(sqlite3* db, std::string_view sql);

  // Binding fails only on a bad index or a value too large, which the
  // next Step then returns.
  void Bind(int index, std::int64_t value);
  void BindBlob(int index, std::string_view bytes);  // "" is not NULL
  void BindText(int index, std::string_view text);
  void BindNull(int index);

  // SQLITE_ROW, SQLITE_DONE or an error.
  int Step();
  // Ready to be bound and run again.
  void Reset();

  std::int64_t Int(int column) const;
  std::string_view Blob(int column) const;  // valid until the next Step
  bool IsNull(int column) const;

 private:
  sqlite3_stmt* statement_ = nullptr;
  int bind_error_ = 0;
};

// Runs statements that give no rows.
int ExecSql(sqlite3* db, const char* sql);

}  // namespace ovik

#endif  // OVIK_HISTORY_SQLITE_DB_H_
