#pragma once

#include <QString>
#include <functional>

// Something a lower layer has to tell the operator. The layer raises it and carries on; the
// program shows it: the window as a box, one at a time and in order, dgh-logger as a line.
struct Notice {
    enum class Severity { Information, Warning, Failure };

    QString source{}; // the part that raised it: "line", "acquisition", "log", "alarms", ...
    Severity severity = Severity::Information;
    QString text{};
    QString title{};  // empty: the program's own
    QString detail{}; // why and what to do, where there is more to say
    // Runs once the operator has closed the box; without a screen, at once.
    std::function<void()> answered{};
};

// Where notices go. Until a program names its sink, each is taken as answered at once.
class Notices {
public:
    using Sink = std::function<void(Notice)>;

    void setSink(Sink sink) { m_sink = std::move(sink); }
    void raise(Notice notice) const {
        if (m_sink)
            return m_sink(std::move(notice));
        if (notice.answered)
            notice.answered();
    }

private:
    Sink m_sink;
};
