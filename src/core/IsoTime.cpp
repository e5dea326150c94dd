#include "IsoTime.h"

#include <chrono>
#include <cstdlib>

namespace {
// value in width digits, zeros in front.
void put(char*& out, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10)
        out[i] = char('0' + value % 10);
    out += width;
}
} // namespace

QByteArray isoTime(const QDateTime& at) {
    return at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs).toLatin1();
}

QByteArray IsoClock::now() {
    return at(QDateTime::currentMSecsSinceEpoch());
}

QByteArray IsoClock::at(qint64 ms) {
    using namespace std::chrono;
    if (ms / 60000 != m_minute) {
        m_minute = ms / 60000;
        m_offsetSeconds = QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc();
    }
    // The local wall time, written as isoTime() writes it: "Z" for no offset, else +hh:mm.
    const sys_time<milliseconds> local{milliseconds(ms + qint64(m_offsetSeconds) * 1000)};
    const sys_days day = floor<days>(local);
    const year_month_day date{day};
    const hh_mm_ss time{local - day};
    char text[32];
    char* out = text;
    put(out, int(date.year()), 4);
    *out++ = '-';
    put(out, int(unsigned(date.month())), 2);
    *out++ = '-';
    put(out, int(unsigned(date.day())), 2);
    *out++ = 'T';
    put(out, int(time.hours().count()), 2);
    *out++ = ':';
    put(out, int(time.minutes().count()), 2);
    *out++ = ':';
    put(out, int(time.seconds().count()), 2);
    *out++ = '.';
    put(out, int(time.subseconds().count()), 3);
    if (m_offsetSeconds == 0) {
        *out++ = 'Z';
    } else {
        *out++ = m_offsetSeconds < 0 ? '-' : '+';
        const int minutes = std::abs(m_offsetSeconds) / 60;
        put(out, minutes / 60, 2);
        *out++ = ':';
        put(out, minutes % 60, 2);
    }
    return QByteArray(text, out - text);
}
