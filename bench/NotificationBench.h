#pragma once
// Figures of one large data-change notification: parsing it, turning it into texts, and writing
// it into the real item list of the real main frame.
#include "BenchTable.h"

constexpr int kNotificationItems = 5000;

void AddNotificationFigures(BenchTable& table);
