#pragma once
// How an appointment row travels between SQLite and the Row value: the column list, the
// statements that write a whole row, and binding and reading every column in one order.
#include <sqlite3.h>

#include <string>

#include "platform/poom/session.h"

namespace moru::poom::detail {

// "SELECT <every column> FROM appointments WHERE oid = ?1".
const std::string& SelectRowSql();
// Rows in store order from (?1, ?2) on, starting no later than ?3, at most ?4 of them.
const std::string& SelectRowsFromSql(RowPart part);
// The one-off items starting between ?1 and ?2 and ending at ?3 or later, in the file's own
// order: every column but the pattern's (which only a series has), for ReadRow.
const std::string& SelectOneOffRowsSql();
// The summaries of the one-off items starting between ?1 and ?2, in store order.
const std::string& SelectOneOffSummariesInRangeSql();
// Every row, in store order.
const std::string& SelectAllRowsSql();
// Every recurring row: whole, or its summary and its pattern.
const std::string& SelectSeriesSql(RowPart part);
// Statements whose parameters BindRow fills: ?1.. the columns, the last one the oid.
const std::string& InsertRowSql();
const std::string& UpdateRowSql();

void BindRow(sqlite3_stmt* stmt, const Row& row);
// The row at the statement's current step, its columns in SelectRowSql's order (or
// SelectOneOffRowsSql's).
Row ReadRow(sqlite3_stmt* stmt);
// The row at the step of a statement of RowPart::Summary (with a series' pattern when the
// statement has its columns).
Row ReadSummaryRow(sqlite3_stmt* stmt);

}  // namespace moru::poom::detail
