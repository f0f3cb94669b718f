#include "station/measured_time.hpp"

#include <vector>

namespace tarnelo::station {

namespace {

// The text as marks the reader works on: digits, ' ', ':', '-', '/', '.', 'Y' (年), 'M' (月),
// 'D' (日, 号), 'h' (时, 点), 'm' (分) and '~' (至, 到, ～, ~, —, －). Anything else gives
// std::nullopt.
std::optional<std::string> marks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : 2;
        const std::string_view ch = text.substr(i, length);
        i += length;
        if (length == 1) {
            const char c = ch[0];
            if ((c >= '0' && c <= '9') || c == ':' || c == '-' || c == '/' || c == '.' ||
                c == '~') {
                out += c;
            } else if (c == ' ' || c == '\t') {
                out += ' ';
            } else {
                return std::nullopt;
            }
            continue;
        }
        // Full-width digits ０ to ９: EF BC 90 to EF BC 99.
        if (ch.size() == 3 && static_cast<unsigned char>(ch[0]) == 0xef &&
            static_cast<unsigned char>(ch[1]) == 0xbc) {
            const auto last = static_cast<unsigned char>(ch[2]);
            if (last >= 0x90 && last <= 0x99) {
                out += static_cast<char>('0' + (last - 0x90));
                continue;
            }
        }
        static const std::vector<std::pair<std::string_view, char>> kMarks{
            {"年", 'Y'}, {"月", 'M'}, {"日", 'D'}, {"号", 'D'}, {"时", 'h'}, {"点", 'h'},
            {"分", 'm'}, {"至", '~'}, {"到", '~'}, {"～", '~'}, {"—", '~'},  {"－", '~'},
            {"–", '~'},  {"：", ':'}, {"　", ' '}, {"／", '/'}};
        bool known = false;
        for (const auto& [word, mark] : kMarks) {
            if (ch == word) {
                out += mark;
                known = true;
                break;
            }
        }
        if (!known) {
            return std::nullopt;
        }
    }
    return out;
}

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

// A cursor over the marks.
class Scanner {
  public:
    explicit Scanner(std::string s) : s_(std::move(s)) {}

    bool done() {
        skipSpace();
        return at_ >= s_.size();
    }
    void skipSpace() {
        while (at_ < s_.size() && s_[at_] == ' ') {
            ++at_;
        }
    }
    char peek() const { return at_ < s_.size() ? s_[at_] : '\0'; }
    char peekAfterSpace() {
        skipSpace();
        return peek();
    }
    bool take(char c) {
        if (peek() == c) {
            ++at_;
            return true;
        }
        return false;
    }
    // A run of digits: its value and length.
    std::optional<std::pair<int, int>> number() {
        int value = 0;
        int digits = 0;
        while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9' && digits < 9) {
            value = value * 10 + (s_[at_] - '0');
            ++digits;
            ++at_;
        }
        if (digits == 0) {
            return std::nullopt;
        }
        return std::pair{value, digits};
    }
    std::size_t position() const { return at_; }
    void reset(std::size_t at) { at_ = at; }
    // The marks at the cursor: what follows a number.
    std::string_view rest() const { return std::string_view(s_).substr(at_); }

  private:
    std::string s_;
    std::size_t at_ = 0;
};

struct Date {
    std::optional<int> year;
    int month = 0;
    int day = 0;
};

// "2024年7月12日", "7月12日", "2024-07-12", "2024/7/12", "2024.7.12"; with end true also "13日".
std::optional<Date> readDate(Scanner& in, bool end) {
    const std::size_t start = in.position();
    in.skipSpace();
    const auto first = in.number();
    if (!first) {
        in.reset(start);
        return std::nullopt;
    }
    Date date;
    const char after = in.peek();
    if (after == 'Y' || ((after == '-' || after == '/' || after == '.') && first->second == 4)) {
        in.take(after);
        date.year = first->first;
        const auto month = in.number();
        const char sep = after == 'Y' ? 'M' : after;
        if (!month || !in.take(sep)) {
            in.reset(start);
            return std::nullopt;
        }
        const auto day = in.number();
        if (!day) {
            in.reset(start);
            return std::nullopt;
        }
        in.take('D');
        date.month = month->first;
        date.day = day->first;
        return date;
    }
    if (after == 'M') {
        in.take('M');
        const auto day = in.number();
        if (!day) {
            in.reset(start);
            return std::nullopt;
        }
        in.take('D');
        date.month = first->first;
        date.day = day->first;
        return date;
    }
    if (end && after == 'D') {
        in.take('D');
        date.day = first->first;
        return date;
    }
    in.reset(start);
    return std::nullopt;
}

struct Clock {
    int hour = 0;
    int minute = 0;
};

// "8时30分", "8时", "8:30", "08:30".
std::optional<Clock> readClock(Scanner& in) {
    const std::size_t start = in.position();
    in.skipSpace();
    const auto hour = in.number();
    if (!hour) {
        in.reset(start);
        return std::nullopt;
    }
    Clock clock{hour->first, 0};
    if (in.take('h')) {
        if (const auto minute = in.number()) {
            clock.minute = minute->first;
            in.take('m');
        }
        return clock;
    }
    if (in.take(':')) {
        const auto minute = in.number();
        if (!minute || minute->second != 2) {
            in.reset(start);
            return std::nullopt;
        }
        clock.minute = minute->first;
        return clock;
    }
    in.reset(start);
    return std::nullopt;
}

// A whole number with leading zeros to `width` digits.
std::string padded(int value, std::size_t width) {
    std::string text = std::to_string(value);
    return text.size() < width ? std::string(width - text.size(), '0') + text : text;
}

std::string inQuotes(std::string_view text) {
    return "“" + std::string(text) + "”";
}

} // namespace

long long LocalTime::minutes() const {
    return daysFromCivil(year, month, day) * 1440 + (hasTime() ? hour * 60 + minute : 0);
}

MeasuredTimeRead readMeasuredTime(std::string_view text, std::optional<int> year) {
    MeasuredTimeRead read;
    const auto fail = [&](std::string why) {
        read.problem = "施测时间" + inQuotes(text) + why;
        return read;
    };
    auto scanned = marks(text);
    if (!scanned) {
        return fail("中有无法识别的字符，无法读出日期和时间");
    }
    Scanner in(std::move(*scanned));
    if (in.done()) {
        return fail("为空");
    }
    const auto date = readDate(in, false);
    if (!date) {
        return fail("开头不是日期（应如“2024年7月12日”或“2024-07-12”）");
    }
    MeasuredTime time;
    time.yearInText = date->year.has_value();
    if (!date->year && !year) {
        return fail("没有年份，也没有另行给出年份");
    }
    const int y = date->year.value_or(year.value_or(0));
    const auto validDate = [&](int yy, int m, int d) {
        return yy >= 1900 && yy <= 2200 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(yy, m);
    };
    if (!validDate(y, date->month, date->day)) {
        return fail("中的日期不存在");
    }
    time.start = {y, date->month, date->day, -1, -1};
    time.end = time.start;
    const auto validClock = [](const Clock& c) {
        return (c.hour >= 0 && c.hour <= 23 && c.minute >= 0 && c.minute <= 59) ||
               (c.hour == 24 && c.minute == 0);
    };
    if (const auto clock = readClock(in)) {
        if (!validClock(*clock)) {
            return fail("中的时刻不存在");
        }
        time.start.hour = clock->hour;
        time.start.minute = clock->minute;
        time.end = time.start;
        const char sep = in.peekAfterSpace();
        if (sep == '~' || sep == '-') {
            in.take(sep);
            std::optional<Date> endDate = readDate(in, true);
            const auto endClock = readClock(in);
            if (!endClock) {
                return fail("中“至”之后没有可读的结束时刻");
            }
            if (!validClock(*endClock)) {
                return fail("中的结束时刻不存在");
            }
            LocalTime end = time.start;
            if (endDate) {
                end.year = endDate->year.value_or(y);
                end.month = endDate->month == 0 ? time.start.month : endDate->month;
                end.day = endDate->day;
                if (!validDate(end.year, end.month, end.day)) {
                    return fail("中的结束日期不存在");
                }
            }
            end.hour = endClock->hour;
            end.minute = endClock->minute;
            if (!endDate && end.minutes() < time.start.minutes()) {
                // Past midnight: the next day.
                const bool lastDay = end.day == daysInMonth(end.year, end.month);
                end.day = lastDay ? 1 : end.day + 1;
                if (lastDay) {
                    end.month = end.month == 12 ? 1 : end.month + 1;
                    end.year += end.month == 1 ? 1 : 0;
                }
            }
            if (end.minutes() < time.start.minutes()) {
                return fail("中的结束时间早于开始时间");
            }
            time.end = end;
        }
    }
    if (!in.done()) {
        return fail("中日期时间之后还有无法识别的内容");
    }
    read.time = time;
    return read;
}

std::string isoText(const LocalTime& time) {
    const std::string date =
        padded(time.year, 4) + "-" + padded(time.month, 2) + "-" + padded(time.day, 2);
    return time.hasTime() ? date + " " + clockText(time) : date;
}

std::string clockText(const LocalTime& time) {
    if (!time.hasTime()) {
        return {};
    }
    return padded(time.hour, 2) + ":" + padded(time.minute, 2);
}

} // namespace tarnelo::station
