#include "ModuleSimulator.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int kLateReplyMs = 80; // well past the program's 35 ms wait
const std::string kAddresses = "123567";
} // namespace

ModuleSimulator::ModuleSimulator(unsigned seed) : m_seed(seed), m_random(seed) {}

ModuleSimulator::~ModuleSimulator() {
    stop();
}

bool ModuleSimulator::start() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return false;
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return false;
    m_slavePath = name;
    // Raw line both ways, so carriage returns are not turned into line feeds before the program
    // opens its side. Keeping one descriptor open also keeps the pair alive between opens.
    m_slaveKeepAlive = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slaveKeepAlive >= 0) {
        termios tio{};
        tcgetattr(m_slaveKeepAlive, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_slaveKeepAlive, TCSANOW, &tio);
    }
    m_running = true;
    m_thread = std::thread(&ModuleSimulator::run, this);
    return true;
}

void ModuleSimulator::stop() {
    m_running = false;
    if (m_thread.joinable())
        m_thread.join();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slaveKeepAlive >= 0)
        ::close(m_slaveKeepAlive);
    m_master = m_slaveKeepAlive = -1;
}

bool ModuleSimulator::linkTo(const std::string& path) {
    ::unlink(path.c_str());
    return ::symlink(m_slavePath.c_str(), path.c_str()) == 0;
}

void ModuleSimulator::setFault(char address, Fault fault) {
    std::lock_guard lock(m_mutex);
    m_faults[address] = fault;
}

void ModuleSimulator::setReply(char address, const std::string& reply) {
    std::lock_guard lock(m_mutex);
    m_replies[address] = reply;
}

void ModuleSimulator::clearReply(char address) {
    std::lock_guard lock(m_mutex);
    m_replies.erase(address);
}

void ModuleSimulator::dropOffLine() {
    stop();
}

std::vector<std::string> ModuleSimulator::frames() const {
    std::lock_guard lock(m_mutex);
    return m_frames;
}

void ModuleSimulator::clearFrames() {
    std::lock_guard lock(m_mutex);
    m_frames.clear();
}

bool ModuleSimulator::parseFault(const std::string& name, Fault* fault) {
    static const std::map<std::string, Fault> names = {
        {"none", Fault::None},    {"silent", Fault::Silent}, {"error", Fault::ErrorReply},
        {"late", Fault::Late},    {"stray", Fault::Stray},   {"linefeed", Fault::LineFeed},
        {"topbit", Fault::TopBit}};
    const auto it = names.find(name);
    if (it == names.end())
        return false;
    *fault = it->second;
    return true;
}

void ModuleSimulator::run() {
    while (m_running) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, 5) <= 0 || !(p.revents & POLLIN))
            continue;
        char buf[256];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            continue;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\r') {
                handleFrame(m_pending);
                m_pending.clear();
            } else {
                m_pending += buf[i];
            }
        }
    }
}

// A slow drift around a plausible value per module, reproducible from the seed and the number
// of reads of that module.
std::string ModuleSimulator::reading(char address) {
    const long n = m_readCount[address]++;
    const double phase = double((m_seed * 7919u + unsigned(address) * 104729u) % 6283) / 1000.0;
    double value = 0;
    switch (address) {
    case '1':
    case '2':
    case '3':
        value = 20 + 4.5 * std::sin(n / 400.0 + phase) + (address - '2') * 0.4;
        break;
    case '5':
        value = 180 + 120 * std::sin(n / 250.0 + phase);
        break;
    default: // '6' and '7': millivolt inputs around the probes' pH 7 offset
        value = 2577.7 + 300 * std::sin(n / 300.0 + phase);
        break;
    }
    value += std::uniform_real_distribution<double>(-0.02, 0.02)(m_random);
    return replyFor(value);
}

std::string ModuleSimulator::replyFor(double value) {
    // "*", the sign, then the magnitude with two decimals zero-padded to eight characters; to_chars
    // writes "." whatever the C library's locale.
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, std::fabs(value),
                                   std::chars_format::fixed, 2);
    std::string magnitude(digits, end.ptr);
    if (magnitude.size() < 8)
        magnitude.insert(0, 8 - magnitude.size(), '0');
    return std::string("*") + (value < 0 ? '-' : '+') + magnitude;
}

void ModuleSimulator::handleFrame(const std::string& raw) {
    // Anything before the last "$" is noise on the line.
    const auto dollar = raw.rfind('$');
    const std::string frame = dollar == std::string::npos ? raw : raw.substr(dollar);
    Fault fault = Fault::None;
    std::string reply;
    {
        std::lock_guard lock(m_mutex);
        // A demo runs for days: keep only the newest frames.
        constexpr size_t kKeptFrames = 100000;
        if (m_frames.size() >= kKeptFrames)
            m_frames.erase(m_frames.begin(), m_frames.begin() + kKeptFrames / 2);
        m_frames.push_back(frame);
        if (frame.size() != 4 || frame.compare(2, 2, "RD") != 0 ||
            kAddresses.find(frame[1]) == std::string::npos)
            return; // no module answers a frame that is not its own read command
        const char address = frame[1];
        if (const auto f = m_faults.find(address); f != m_faults.end())
            fault = f->second;
        if (const auto r = m_replies.find(address); r != m_replies.end())
            reply = r->second;
        else
            reply = reading(address);
    }
    switch (fault) {
    case Fault::Silent:
        return;
    case Fault::ErrorReply:
        reply = "?ERROR";
        break;
    case Fault::Late:
        std::this_thread::sleep_for(std::chrono::milliseconds(kLateReplyMs));
        break;
    case Fault::Stray:
        reply = "xy" + reply;
        break;
    case Fault::TopBit:
        if (!reply.empty())
            reply[0] = char(static_cast<unsigned char>(reply[0]) | 0x80);
        break;
    case Fault::None:
    case Fault::LineFeed:
        break;
    }
    reply += '\r';
    if (fault == Fault::LineFeed)
        reply += '\n';
    send(reply);
}

void ModuleSimulator::send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += size_t(n);
    }
}
