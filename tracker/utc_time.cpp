#include "tracker/utc_time.h"

#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back
// (H. Hinnant's algorithms, which hold for every year).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month, day;
};

CivilDate CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ' ' || text[i] == ',' || text[i] == '-') {
            if (i > start) words.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return words;
}

std::optional<unsigned> Digits(std::string_view word) {
    if (word.empty() || word.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

std::optional<unsigned> MonthNumber(std::string_view word) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (unsigned i = 0; i < kMonths.size(); ++i)
        if (word == kMonths[i]) return i + 1;
    return std::nullopt;
}

}  // namespace

std::string FormatUtcTimestamp(std::int64_t utcMs) {
    const std::int64_t days = FloorDiv(utcMs, kMsPerDay);
    const std::int64_t second = (utcMs - days * kMsPerDay) / 1000;
    const CivilDate date = CivilFromDays(days);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<long long>(date.year), date.month, date.day,
                  static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
                  static_cast<int>(second % 60));
    return text;
}

std::optional<std::int64_t> ParseHttpDate(std::string_view text) {
    // All three forms are a weekday, then day, month, year and time in some order, with
    // "GMT" after all but asctime's; the weekday is not checked.
    const std::vector<std::string_view> words = Words(text);
    std::optional<unsigned> month, hour, minute, second;
    std::vector<unsigned> numbers;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string_view word = words[i];
        if (word.size() == 8 && word[2] == ':' && word[5] == ':') {
            hour = Digits(word.substr(0, 2));
            minute = Digits(word.substr(3, 2));
            second = Digits(word.substr(6, 2));
        } else if (auto number = Digits(word)) {
            numbers.push_back(*number);
        } else if (auto named = MonthNumber(word); named && !month) {
            month = named;
        } else if (word != "GMT" || i + 1 != words.size()) {
            return std::nullopt;
        }
    }
    if (words.empty() || !month || !hour || !minute || !second || numbers.size() != 2)
        return std::nullopt;
    const unsigned day = numbers[0];
    unsigned year = numbers[1];
    if (year < 100) year += year < 70 ? 2000 : 1900;  // RFC 850's two digits
    if (day < 1 || day > 31 || *hour > 23 || *minute > 59 || *second > 60) return std::nullopt;
    return (DaysFromCivil(year, *month, day) * 86400 + *hour * 3600 + *minute * 60 + *second) *
           1000;
}
