// 施测时间 as staff write it on the record header, read into a start and an end. The field is
// free text; the forms found on record forms are read, anything else is reported, never guessed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnelo::station {

// A local date with an optional time of day (hour and minute both -1 when the text gives none).
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = -1;
    int minute = -1;

    bool hasTime() const { return hour >= 0; }
    // Minutes since 0001-01-01 00:00, for ordering; a date alone counts from its midnight.
    long long minutes() const;
    bool operator==(const LocalTime&) const = default;
};

struct MeasuredTime {
    LocalTime start;
    LocalTime end;
    // Whether the text itself names the year (else it came from the caller).
    bool yearInText = true;
};

struct MeasuredTimeRead {
    std::optional<MeasuredTime> time;
    // Why the text cannot be read, in Chinese; empty when it was read.
    std::string problem;
};

// Reads "2024年7月12日8时30分至9时45分", "2024-07-12 08:30~09:45", "7月12日 8:30-9:45" (the
// year then comes from year, which must be given) and a date alone ("2024年7月12日",
// "2024-07-12"). Full-width digits, "：", "～", "—", "到" and "点" are accepted. An end time
// earlier than the start without a date of its own is taken to be on the next day.
MeasuredTimeRead readMeasuredTime(std::string_view text, std::optional<int> year = std::nullopt);

// "2024-07-12 08:30" or "2024-07-12" for a date alone.
std::string isoText(const LocalTime& time);
// "08:30", or empty without a time.
std::string clockText(const LocalTime& time);

} // namespace tarnelo::station
