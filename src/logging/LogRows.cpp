#include "LogRows.h"

#include <QDateTime>
#include <charconv>
#include <chrono>
#include <limits>

namespace logrows {
namespace {
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
// The log's columns 2 to 10, in the order written.
constexpr Readout kNumberColumns[] = {Readout::Therm1,   Readout::Therm2,   Readout::Therm3,
                                      Readout::Probe1mV, Readout::Probe2mV, Readout::Probe1pH,
                                      Readout::Probe2pH, Readout::FlowHz,   Readout::LitersPerMin};

// count digits at text[at..] as a number; false unless all are digits.
bool digits(QByteArrayView text, qsizetype at, int count, int* value) {
    if (at + count > text.size())
        return false;
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

bool timeOfDay(QByteArrayView t, int* seconds) {
    int h, m, s;
    if (t.size() != 8 || t[2] != ':' || t[5] != ':' || !digits(t, 0, 2, &h) ||
        !digits(t, 3, 2, &m) || !digits(t, 6, 2, &s) || h > 23 || m > 59 || s > 59)
        return false;
    *seconds = h * 3600 + m * 60 + s;
    return true;
}

// Plain decimals as the log writes them ("-12.5", "7.0123"): digits divided by a power of ten,
// both exact in a double, give the same correctly rounded value as from_chars, several times
// faster. Anything else (an exponent, many digits) is left to from_chars.
const char* plainDecimal(const char* at, const char* end, double* value) {
    static constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = at;
    const bool negative = p < end && *p == '-';
    p += negative;
    quint64 digits = 0;
    int count = 0, decimals = -1;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            digits = digits * 10 + quint64(*p - '0');
            ++count;
            decimals += decimals >= 0;
        } else if (*p == '.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (count == 0 || count > 15 || decimals == 0 || p == end || *p != ',')
        return nullptr;
    const double v = double(digits) / kPowers[std::max(decimals, 0)];
    *value = negative ? -v : v;
    return p;
}

// A full-stop number up to the next comma; NaN (no value) for a number that is not finite.
bool numberField(const char*& at, const char* end, double* value) {
    if (const char* next = plainDecimal(at, end, value)) {
        at = next + 1;
        return true;
    }
    double v = 0;
    const auto [next, error] = std::from_chars(at, end, v, std::chars_format::general);
    if (error != std::errc() || next == at || next == end || *next != ',')
        return false;
    *value = std::isfinite(v) ? v : kNone;
    at = next + 1;
    return true;
}
} // namespace

bool parseIsoTime(QByteArrayView t, qint64* ms) {
    int year, month, day, hour, minute, second;
    if (t.size() < 19 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
        t[16] != ':' || !digits(t, 0, 4, &year) || !digits(t, 5, 2, &month) ||
        !digits(t, 8, 2, &day) || !digits(t, 11, 2, &hour) || !digits(t, 14, 2, &minute) ||
        !digits(t, 17, 2, &second) || hour > 23 || minute > 59 || second > 59)
        return false;
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year), std::chrono::month(unsigned(month)),
                              std::chrono::day(unsigned(day))};
    if (!date.ok())
        return false;
    qsizetype at = 19;
    qint64 millis = 0;
    if (at < t.size() && t[at] == '.') {
        int place = 100, count = 0;
        for (++at; at < t.size() && t[at] >= '0' && t[at] <= '9'; ++at, ++count, place /= 10)
            millis += (t[at] - '0') * place;
        if (count == 0)
            return false;
    }
    const qint64 wall = qint64(sys_days(date).time_since_epoch().count()) * 86400000 +
                        qint64(hour * 3600 + minute * 60 + second) * 1000 + millis;
    if (at == t.size()) { // no offset: the machine's own local time
        *ms = QDateTime(QDate(year, month, day), QTime(hour, minute, second, int(millis)))
                  .toMSecsSinceEpoch();
        return true;
    }
    if (t[at] == 'Z' && at + 1 == t.size()) {
        *ms = wall;
        return true;
    }
    int offsetHours, offsetMinutes;
    if (at + 6 != t.size() || (t[at] != '+' && t[at] != '-') || t[at + 3] != ':' ||
        !digits(t, at + 1, 2, &offsetHours) || !digits(t, at + 4, 2, &offsetMinutes) ||
        offsetHours > 14 || offsetMinutes > 59)
        return false;
    const qint64 offset = (offsetHours * 60 + offsetMinutes) * 60000LL;
    *ms = t[at] == '+' ? wall - offset : wall + offset;
    return true;
}

double regionalNumber(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 40)
        return kNone;
    char plain[48];
    int separators = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ',' || c == '.') {
            plain[i] = '.';
            ++separators;
        } else if ((c >= '0' && c <= '9') || (c == '-' && i == 0)) {
            plain[i] = c;
        } else {
            return kNone;
        }
    }
    double v = 0;
    const auto [next, error] =
        std::from_chars(plain, plain + text.size(), v, std::chars_format::fixed);
    if (separators > 1 || error != std::errc() || next != plain + text.size())
        return kNone;
    return v;
}

QByteArrayView headerText(QByteArrayView line) {
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
        return line.sliced(1, line.size() - 2);
    return line;
}

LineKind classify(QByteArrayView line, Row* row, QDate* date) {
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return LineKind::Empty;
    if (line.startsWith(kTitle)) {
        const QByteArrayView rest = line.sliced(kTitle.size());
        int y, m, d;
        if (rest.size() != 11 || rest[4] != '-' || rest[7] != '-' || rest[10] != '#' ||
            !digits(rest, 0, 4, &y) || !digits(rest, 5, 2, &m) || !digits(rest, 8, 2, &d) ||
            !QDate(y, m, d).isValid())
            return LineKind::Unreadable;
        *date = QDate(y, m, d);
        return LineKind::Title;
    }
    if (line.front() != '"' || line.back() != '"' || line.size() < 2)
        return LineKind::Unreadable;
    const qsizetype close = line.indexOf('"', 1);
    const QByteArrayView time = line.sliced(1, close - 1);
    if (close + 1 == line.size() || line[close + 1] != ',')
        return LineKind::HeaderLine; // one quoted text: a header line
    row->timeText = time;
    row->iso = time.size() != 8;
    if (row->iso ? !parseIsoTime(time, &row->isoMs) : !timeOfDay(time, &row->secondOfDay))
        return LineKind::Unreadable;
    const char* at = line.data() + close + 2;
    const char* end = line.data() + line.size();
    for (Readout column : kNumberColumns)
        if (!numberField(at, end, &row->values[size_t(column)]))
            return LineKind::Unreadable;
    // Column 11 is the last quoted text, whole: "0,96" is one number, not two fields.
    if (end - at < 2 || *at != '"' || std::find(at + 1, end - 1, '"') != end - 1)
        return LineKind::Unreadable;
    row->values[size_t(Readout::TotalLiters)] = regionalNumber(QByteArrayView(at + 1, end - 1));
    return LineKind::Row;
}

} // namespace logrows
