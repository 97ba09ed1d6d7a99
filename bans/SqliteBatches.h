#pragma once
// Rows written many to one statement: SQLite's own work for every statement it runs
// (starting it, opening its cursors, making it ready again) is then shared by all its rows,
// which takes about a third off inserting a merge's bans.

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "bans/SqliteConnection.h"

namespace th {

// Rows one statement writes at most.
inline constexpr size_t kRowsPerStatement = 32;

// "VALUES (?1, ?2), (?3, ?4)": rows rows of columns parameters each, numbered in turn.
std::string valueRows(size_t rows, size_t columns);

// Runs the statement sqlFor makes of a VALUES clause over the rows, in their order: up to
// perStatement rows at a time, and the rest one at a time. bind(row, statement, first)
// binds one row's columns values from parameter first on; they must stay as they are until
// the statement has run. ran(rows, changed) is told after each statement which rows it held
// and how many rows it changed.
void writeInBatches(SqliteConnection& db,
                    const std::function<std::string(const std::string&)>& sqlFor, size_t columns,
                    const std::vector<size_t>& rows,
                    const std::function<void(size_t, SqliteStatement&, int)>& bind,
                    const std::function<void(std::span<const size_t>, int)>& ran,
                    size_t perStatement = kRowsPerStatement);

}  // namespace th
