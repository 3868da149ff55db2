#pragma once
// Realistic demo data for the schema.

#include <QString>
#include <functional>

class TAdoConn;

// The data years of the demo database; the last is the host's default year.
inline constexpr int kDemoYears[] = {2024, 2025, 2026};

using DemoProgress = std::function<void(const QString& message)>;

// Fills an empty schema with realistic catalogues, system parameters, operators and
// `indicators` indicators spread over the last `years` demo years (1 to 3).
// Throws TExceptDbManager on failure.
// `items` more budget items (in groups of 500 under their own parent nodes) join the last year.
void FillDemo(TAdoConn* conn, int indicators, const DemoProgress& progress = {}, int years = 3,
              int items = 0);

// How many units the demo builds for that many indicators.
int DemoUnitCount(int indicators);

// What a new, empty database needs to be opened: the code tables, the system parameters with
// `year` as the data year, one top unit "101 本级" and the operator admin.
void FillStarter(TAdoConn* conn, int year);
