#include "ReadingStability.h"

#include <algorithm>

namespace {
template <typename Reads> double spread(const Reads& reads) {
    const auto [low, high] =
        std::minmax_element(reads.begin(), reads.end(), [](const auto& a, const auto& b) {
            return a.millivolts < b.millivolts;
        });
    return reads.empty() ? 0 : high->millivolts - low->millivolts;
}
} // namespace

void ReadingStability::add(Time at, double millivolts) {
    m_recent.push_back({at, millivolts});
    while (m_recent.front().at < at - kSettleTime)
        m_recent.pop_front();
    // Keep the longest run of latest reads that still lies within the band.
    m_reads.push_back({at, millivolts});
    double low = millivolts, high = millivolts;
    for (auto read = m_reads.rbegin(); read != m_reads.rend(); ++read) {
        low = std::min(low, read->millivolts);
        high = std::max(high, read->millivolts);
        if (high - low >= kBandMillivolts) {
            m_reads.erase(m_reads.begin(), read.base());
            break;
        }
    }
}

ReadingStability::Time ReadingStability::steadyFor() const {
    return m_reads.empty() ? Time::zero() : m_reads.back().at - m_reads.front().at;
}

double ReadingStability::recentSpread() const {
    return spread(m_recent);
}
