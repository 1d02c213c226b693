#pragma once

#include <QStringList>

#include <vector>

struct TEngine;
struct TPlaceRow;

// qxvdb with these arguments in this process; throws std::runtime_error with what it wrote to
// stderr when it fails.
void RunTool(const QStringList& args);

// The directory in file loaded by qxvdb into a fresh schema of the engine. PostgreSQL then
// gets the statistics of table its autovacuum would soon gather; without them it plans for a
// tenth of the rows.
void LoadWithTool(TEngine& e, const QString& file, const QString& table);

// The rows as CSV in places.csv under dir; returns the file's path.
QString WritePlacesCsv(const QString& dir, const std::vector<TPlaceRow>& rows);
