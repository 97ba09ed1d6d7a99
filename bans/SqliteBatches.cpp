#include "bans/SqliteBatches.h"

#include <sqlite3.h>

namespace th {

std::string valueRows(size_t rows, size_t columns) {
    std::string values = "VALUES ";
    size_t parameter = 1;
    for (size_t r = 0; r < rows; ++r) {
        values += r ? ", (" : "(";
        for (size_t c = 0; c < columns; ++c) {
            if (c) values += ", ";
            values += '?' + std::to_string(parameter++);
        }
        values += ')';
    }
    return values;
}

void writeInBatches(SqliteConnection& db,
                    const std::function<std::string(const std::string&)>& sqlFor, size_t columns,
                    const std::vector<size_t>& rows,
                    const std::function<void(size_t, SqliteStatement&, int)>& bind,
                    const std::function<void(std::span<const size_t>, int)>& ran,
                    size_t perStatement) {
    SqliteStatement& one = db.prepared(sqlFor(valueRows(1, columns)));
    SqliteStatement* many = perStatement > 1 && rows.size() >= perStatement
                                ? &db.prepared(sqlFor(valueRows(perStatement, columns)))
                                : nullptr;
    for (size_t at = 0; at < rows.size();) {
        const size_t n = many && rows.size() - at >= perStatement ? perStatement : 1;
        SqliteStatement& statement = n == 1 ? one : *many;
        for (size_t k = 0; k < n; ++k)
            bind(rows[at + k], statement, static_cast<int>(k * columns + 1));
        statement.run();
        ran(std::span<const size_t>(rows).subspan(at, n), sqlite3_changes(db.handle()));
        at += n;
    }
}

}  // namespace th
