#pragma once

namespace brak {

// A local date and time, to the second.
struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    bool isValid() const;
    bool operator==(const DateTime&) const = default;
};

} // namespace brak
