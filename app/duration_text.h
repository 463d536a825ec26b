#pragma once
// A duration as a clock shows it: "0:07", "12:34", "1:02:03".

#include <QString>
#include <cstdint>

QString DurationText(std::int64_t seconds);
