#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

// Plays the six DGH modules (thermistors 1-3, frequency module 5, millivolt modules 6 and 7) on
// the far end of a pseudo-terminal pair. Answers "$<address>RD\r" with "*", a sign, an
// eight-character value and a carriage return; can misbehave per address on request.
class ModuleSimulator {
public:
    enum class Fault {
        None,
        Silent,     // no answer at all
        ErrorReply, // "?" and an error text
        Late,       // the answer comes after the program stopped waiting
        Stray,      // stray characters before the reply
        LineFeed,   // a line feed after the carriage return
        TopBit,     // start character with its top bit set
    };

    explicit ModuleSimulator(unsigned seed = 1);
    ~ModuleSimulator();
    ModuleSimulator(const ModuleSimulator&) = delete;
    ModuleSimulator& operator=(const ModuleSimulator&) = delete;

    // Opens the pair and starts answering. Returns false if no pseudo-terminal could be had.
    bool start();
    void stop();
    // Device path of the program's side of the line.
    const std::string& devicePath() const { return m_slavePath; }
    // Also reachable under this path (a symbolic link); replaced if it exists.
    bool linkTo(const std::string& path);

    void setFault(char address, Fault fault);
    // Answers the address with exactly this text (a carriage return is appended), e.g.
    // "*-00003.25".
    void setReply(char address, const std::string& reply);
    // A module's reply for a value: "*", the sign, eight characters with two decimals.
    static std::string replyFor(double value);
    void clearReply(char address);
    // Drops off the line: closes the simulator's end for good.
    void dropOffLine();

    // Every frame received, in order, without its carriage return ("$6RD").
    std::vector<std::string> frames() const;
    void clearFrames();

    static bool parseFault(const std::string& name, Fault* fault);

private:
    void run();
    void handleFrame(const std::string& frame);
    std::string reading(char address);
    void send(const std::string& bytes);

    unsigned m_seed;
    std::mt19937 m_random;
    int m_master = -1;
    int m_slaveKeepAlive = -1;
    std::string m_slavePath;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    mutable std::mutex m_mutex;
    std::map<char, Fault> m_faults;
    std::map<char, std::string> m_replies;
    std::map<char, long> m_readCount;
    std::vector<std::string> m_frames;
    std::string m_pending;
};
