#include "platform/poom/row_mapping.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace moru::poom::detail {
namespace {

// The columns of a row after oid, in the order BindRow and ReadRow use.
constexpr const char* kColumns[] = {
    "start_s",          "end_s",        "subject",          "location",
    "categories",       "body",         "all_day",          "busy_status",
    "sensitivity",      "reminder_set", "reminder_minutes", "reminder_sound",
    "reminder_options", "recurring",    "rec_type",         "pat_start",
    "pat_start_time",   "pat_end_time", "pat_duration",     "pat_occurrences",
    "pat_end_date",     "pat_no_end",   "pat_interval",     "pat_mask",
    "pat_day",          "pat_instance", "pat_month",        "uid",
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));
// Where the pattern's columns begin in kColumns: a one-off row has none worth reading.
constexpr int kPatternColumn = 14;
static_assert(std::string_view(kColumns[kPatternColumn]) == "rec_type");

// What a summary row holds, in the order ReadSummaryRow reads it (a series' summary then
// has its pattern's columns).
constexpr const char* kSummaryColumns =
    "oid, start_s, end_s, subject, all_day, reminder_set, reminder_minutes, recurring";
constexpr int kSummaryColumnCount = 8;

// `columns`, then kColumns[from] up to kColumns[to - 1]. Plain appends here and below: GCC 12
// at -O3 sees overlapping copies in chains of `"text" + std::string` where there are none.
std::string Columns(std::string_view columns, int from, int to) {
    std::string list(columns);
    for (int i = from; i < to; ++i) {
        list += ", ";
        list += kColumns[i];
    }
    return list;
}

std::string Select(std::string_view columns, std::string_view condition) {
    std::string sql = "SELECT ";
    sql += columns;
    sql += " FROM appointments WHERE ";
    sql += condition;
    return sql;
}

// Every column, oid first.
std::string SelectSql(std::string_view condition) {
    return Select(Columns("oid", 0, kColumnCount), condition);
}

std::string SelectSummarySql(std::string_view condition) {
    return Select(kSummaryColumns, condition);
}

void AppendParameter(std::string& sql, int index) {
    sql += '?';
    sql += std::to_string(index);
}

}  // namespace

const std::string& SelectRowSql() {
    static const std::string sql = SelectSql("oid = ?1");
    return sql;
}

const std::string& SelectRowsFromSql(RowPart part) {
    static constexpr std::string_view kCondition =
        "(start_s, oid) >= (?1, ?2) AND start_s <= ?3 ORDER BY start_s, oid LIMIT ?4";
    static const std::string whole = SelectSql(kCondition);
    static const std::string summaries = SelectSummarySql(kCondition);
    return part == RowPart::Whole ? whole : summaries;
}

const std::string& SelectOneOffRowsSql() {
    static const std::string sql = [] {
        std::string columns = Columns("oid", 0, kPatternColumn);
        columns += ", uid";
        return Select(columns, "recurring = 0 AND start_s BETWEEN ?1 AND ?2 AND end_s >= ?3");
    }();
    return sql;
}

const std::string& SelectOneOffSummariesInRangeSql() {
    static const std::string sql =
        SelectSummarySql("recurring = 0 AND start_s BETWEEN ?1 AND ?2 ORDER BY start_s, oid");
    return sql;
}

const std::string& SelectAllRowsSql() {
    static const std::string sql = SelectSql("1 ORDER BY start_s, oid");
    return sql;
}

const std::string& SelectSeriesSql(RowPart part) {
    static const std::string whole = SelectSql("recurring = 1");
    // The pattern's columns are all but the last (the UID).
    static const std::string summaries =
        Select(Columns(kSummaryColumns, kPatternColumn, kColumnCount - 1), "recurring = 1");
    return part == RowPart::Whole ? whole : summaries;
}

const std::string& InsertRowSql() {
    static const std::string sql = [] {
        std::string columns = "INSERT INTO appointments(";
        std::string values = "VALUES(";
        for (int i = 0; i < kColumnCount; ++i) {
            columns += kColumns[i];
            columns += ", ";
            AppendParameter(values, i + 1);
            values += ", ";
        }
        columns += "oid) ";
        columns += values;
        AppendParameter(columns, kColumnCount + 1);
        columns += ')';
        return columns;
    }();
    return sql;
}

const std::string& UpdateRowSql() {
    static const std::string sql = [] {
        std::string text = "UPDATE appointments SET ";
        for (int i = 0; i < kColumnCount; ++i) {
            if (i > 0) {
                text += ", ";
            }
            text += kColumns[i];
            text += " = ";
            AppendParameter(text, i + 1);
        }
        text += " WHERE oid = ";
        AppendParameter(text, kColumnCount + 1);
        return text;
    }();
    return sql;
}

namespace {

void BindText(sqlite3_stmt* stmt, int index, const std::u16string& text) {
    sqlite3_bind_text16(stmt, index, text.data(), static_cast<int>(text.size() * 2),
                        SQLITE_TRANSIENT);
}

std::u16string ColumnText(sqlite3_stmt* stmt, int index) {
    // The store keeps its texts as UTF-8, and most of them are ASCII: those are widened here
    // directly, which costs a fraction of SQLite's conversion. Anything else is converted by
    // SQLite, exactly as before.
    const unsigned char* utf8 = sqlite3_column_text(stmt, index);
    if (utf8 == nullptr) {
        return std::u16string();
    }
    const auto length = static_cast<size_t>(sqlite3_column_bytes(stmt, index));
    std::u16string text(length, u'\0');
    unsigned char seen = 0;  // every byte's bits together: below 0x80, all were ASCII
    for (size_t i = 0; i < length; ++i) {
        seen |= utf8[i];
        text[i] = utf8[i];
    }
    if (seen < 0x80) {
        return text;
    }
    const auto* wide = static_cast<const char16_t*>(sqlite3_column_text16(stmt, index));
    const int bytes = sqlite3_column_bytes16(stmt, index);
    return wide ? std::u16string(wide, static_cast<size_t>(bytes) / 2) : std::u16string();
}

long ColumnLong(sqlite3_stmt* stmt, int index) {
    return static_cast<long>(sqlite3_column_int64(stmt, index));
}

// The pattern's columns, from `first` on in kColumns' order.
void ReadPattern(sqlite3_stmt* stmt, int first, PatternFields& p) {
    int i = first;
    p.type = static_cast<int>(sqlite3_column_int(stmt, i++));
    p.startDate = sqlite3_column_int64(stmt, i++);
    if (sqlite3_column_type(stmt, i) != SQLITE_NULL) {
        p.startTime = sqlite3_column_int64(stmt, i);
    }
    ++i;
    p.endTime = sqlite3_column_int64(stmt, i++);
    if (sqlite3_column_type(stmt, i) != SQLITE_NULL) {
        p.duration = ColumnLong(stmt, i);
    }
    ++i;
    p.occurrences = ColumnLong(stmt, i++);
    p.endDate = sqlite3_column_int64(stmt, i++);
    p.noEndDate = sqlite3_column_int(stmt, i++) != 0;
    p.interval = ColumnLong(stmt, i++);
    p.dayOfWeekMask = ColumnLong(stmt, i++);
    p.dayOfMonth = ColumnLong(stmt, i++);
    p.instance = ColumnLong(stmt, i++);
    p.monthOfYear = ColumnLong(stmt, i);
}

}  // namespace

void BindRow(sqlite3_stmt* stmt, const Row& row) {
    int i = 1;
    sqlite3_bind_int64(stmt, i++, row.start);
    sqlite3_bind_int64(stmt, i++, row.end);
    BindText(stmt, i++, row.subject);
    BindText(stmt, i++, row.location);
    BindText(stmt, i++, row.categories);
    BindText(stmt, i++, row.body);
    sqlite3_bind_int(stmt, i++, row.allDay ? 1 : 0);
    sqlite3_bind_int64(stmt, i++, row.busyStatus);
    sqlite3_bind_int64(stmt, i++, row.sensitivity);
    sqlite3_bind_int(stmt, i++, row.reminderSet ? 1 : 0);
    sqlite3_bind_int64(stmt, i++, row.reminderMinutes);
    BindText(stmt, i++, row.reminderSound);
    sqlite3_bind_int64(stmt, i++, row.reminderOptions);
    sqlite3_bind_int(stmt, i++, row.recurring ? 1 : 0);
    if (!row.recurring) {
        for (; i < kColumnCount; ++i) {
            sqlite3_bind_null(stmt, i);
        }
    } else {
        const PatternFields& p = row.pattern;
        sqlite3_bind_int64(stmt, i++, p.type);
        sqlite3_bind_int64(stmt, i++, p.startDate);
        if (p.startTime) {
            sqlite3_bind_int64(stmt, i++, *p.startTime);
        } else {
            sqlite3_bind_null(stmt, i++);
        }
        sqlite3_bind_int64(stmt, i++, p.endTime);
        if (p.duration) {
            sqlite3_bind_int64(stmt, i++, *p.duration);
        } else {
            sqlite3_bind_null(stmt, i++);
        }
        sqlite3_bind_int64(stmt, i++, p.occurrences);
        sqlite3_bind_int64(stmt, i++, p.endDate);
        sqlite3_bind_int(stmt, i++, p.noEndDate ? 1 : 0);
        sqlite3_bind_int64(stmt, i++, p.interval);
        sqlite3_bind_int64(stmt, i++, p.dayOfWeekMask);
        sqlite3_bind_int64(stmt, i++, p.dayOfMonth);
        sqlite3_bind_int64(stmt, i++, p.instance);
        sqlite3_bind_int64(stmt, i++, p.monthOfYear);
    }
    BindText(stmt, kColumnCount, row.uid);
    sqlite3_bind_int64(stmt, kColumnCount + 1, row.oid);
}

Row ReadRow(sqlite3_stmt* stmt) {
    Row row;
    int i = 0;
    row.oid = static_cast<uint32_t>(sqlite3_column_int64(stmt, i++));
    row.start = sqlite3_column_int64(stmt, i++);
    row.end = sqlite3_column_int64(stmt, i++);
    row.subject = ColumnText(stmt, i++);
    row.location = ColumnText(stmt, i++);
    row.categories = ColumnText(stmt, i++);
    row.body = ColumnText(stmt, i++);
    row.allDay = sqlite3_column_int(stmt, i++) != 0;
    row.busyStatus = ColumnLong(stmt, i++);
    row.sensitivity = ColumnLong(stmt, i++);
    row.reminderSet = sqlite3_column_int(stmt, i++) != 0;
    row.reminderMinutes = ColumnLong(stmt, i++);
    row.reminderSound = ColumnText(stmt, i++);
    row.reminderOptions = ColumnLong(stmt, i++);
    row.recurring = sqlite3_column_int(stmt, i++) != 0;
    // The UID is the last column of both the whole row and a one-off row's statement.
    const int columns = sqlite3_column_count(stmt);
    if (row.recurring && columns == kColumnCount + 1) {
        ReadPattern(stmt, i, row.pattern);
    }
    row.uid = ColumnText(stmt, columns - 1);
    return row;
}

Row ReadSummaryRow(sqlite3_stmt* stmt) {
    Row row;
    row.whole = false;
    row.oid = static_cast<uint32_t>(sqlite3_column_int64(stmt, 0));
    row.start = sqlite3_column_int64(stmt, 1);
    row.end = sqlite3_column_int64(stmt, 2);
    row.subject = ColumnText(stmt, 3);
    row.allDay = sqlite3_column_int(stmt, 4) != 0;
    row.reminderSet = sqlite3_column_int(stmt, 5) != 0;
    row.reminderMinutes = ColumnLong(stmt, 6);
    row.recurring = sqlite3_column_int(stmt, 7) != 0;
    if (row.recurring && sqlite3_column_count(stmt) > kSummaryColumnCount) {
        ReadPattern(stmt, kSummaryColumnCount, row.pattern);
    }
    return row;
}

}  // namespace moru::poom::detail
