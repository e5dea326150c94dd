#pragma once

#include <chrono>
#include <deque>

// Whether a probe's reading has settled: stable once every read of the last 10 seconds lies
// within less than 0.1 mV. Reads are fed with the time they were taken.
class ReadingStability {
public:
    using Time = std::chrono::nanoseconds;
    static constexpr double kBandMillivolts = 0.1;
    static constexpr Time kSettleTime = std::chrono::seconds(10);

    void add(Time at, double millivolts);
    void clear() { m_reads.clear(); }
    bool hasReads() const { return !m_reads.empty(); }
    // How long the reads have stayed within the band, up to the latest read.
    Time steadyFor() const;
    bool stable() const { return hasReads() && steadyFor() >= kSettleTime; }
    // The spread of the reads over the last 10 seconds (all of them when fewer).
    double recentSpread() const;

private:
    struct Read {
        Time at;
        double millivolts;
    };
    std::deque<Read> m_reads;  // the latest run of reads within the band, oldest first
    std::deque<Read> m_recent; // the reads of the last 10 seconds
};
