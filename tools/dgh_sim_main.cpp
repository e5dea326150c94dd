// dgh-sim: plays the six DGH modules on a pseudo-terminal until stopped.
//
//   dgh-sim [--seed N] [--link PATH] [--fault ADDRESS:KIND]... [--frames]
//
// Prints the device path of the program's side on the first line of standard output, and leaves
// a link to it, "line-<pid>", in $XDG_RUNTIME_DIR/dgh-sim (or /tmp/dgh-sim-<uid>), where the
// program counts it among its port numbers after the system's own ports. Commands on
// standard input, one a line: "fault ADDRESS KIND" (KIND: none silent error late stray linefeed
// topbit), "reply ADDRESS [TEXT]", "buffer ADDRESS PH", "drop", "frames", "quit".
#include "ModuleSimulator.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) {
    g_stop = 1;
}

bool applyFault(ModuleSimulator& sim, const std::string& address, const std::string& kind) {
    ModuleSimulator::Fault fault;
    if (address.size() != 1 || !ModuleSimulator::parseFault(kind, &fault))
        return false;
    sim.setFault(address[0], fault);
    return true;
}

// A pH module's steady reading in a buffer, for a probe with the program's default calibration
// (offset 2.5777 V, slope 4.5427) at 25 degrees: what calibrating from buffers expects.
bool putInBuffer(ModuleSimulator& sim, const std::string& address, const std::string& phText) {
    double ph = 0;
    const auto [end, error] = std::from_chars(phText.data(), phText.data() + phText.size(), ph);
    if (address.size() != 1 || error != std::errc() || end != phText.data() + phText.size())
        return false;
    const double millivolts = (2.5777 + (ph - 7) * 0.000198416 * 4.5427 * (25 + 273.15)) * 1000;
    sim.setReply(address[0], ModuleSimulator::replyFor(millivolts));
    return true;
}

// Digits of a process or user number, whatever the C library's locale.
std::string decimal(unsigned long number) {
    char digits[24];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

// The announcement link's path; the folder is made private to the user.
std::string announcementLink() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime ? std::string(runtime) + "/dgh-sim"
                                                   : "/tmp/dgh-sim-" + decimal(::getuid());
    ::mkdir(folder.c_str(), 0700);
    // Links left by simulators that were killed outright.
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            int pid = 0;
            const char* digits = name.c_str() + 5;
            if (name.rfind("line-", 0) == 0 &&
                std::from_chars(digits, name.c_str() + name.size(), pid).ec == std::errc() &&
                ::kill(pid, 0) != 0 && errno == ESRCH)
                ::unlink((folder + "/" + name).c_str());
        }
        ::closedir(dir);
    }
    return folder + "/line-" + decimal(static_cast<unsigned long>(::getpid()));
}
} // namespace

int main(int argc, char** argv) {
    unsigned seed = 1;
    std::string linkPath;
    bool printFrames = false;
    std::vector<std::pair<std::string, std::string>> faults;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc) {
            const std::string text = argv[++i];
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
            if (error != std::errc() || end != text.data() + text.size()) {
                std::cerr << "dgh-sim: bad seed " << text << "\n";
                return 2;
            }
        } else if (arg == "--link" && i + 1 < argc) {
            linkPath = argv[++i];
        } else if (arg == "--fault" && i + 1 < argc) {
            const std::string option = argv[++i];
            const auto colon = option.find(':');
            faults.emplace_back(option.substr(0, colon),
                                colon == std::string::npos ? "" : option.substr(colon + 1));
        } else if (arg == "--frames") {
            printFrames = true;
        } else {
            std::cerr << "usage: dgh-sim [--seed N] [--link PATH] [--fault ADDRESS:KIND]... "
                         "[--frames]\n";
            return 2;
        }
    }
    ModuleSimulator sim(seed);
    if (!sim.start()) {
        std::cerr << "dgh-sim: no pseudo-terminal available\n";
        return 1;
    }
    for (const auto& [address, kind] : faults) {
        if (!applyFault(sim, address, kind)) {
            std::cerr << "dgh-sim: bad fault " << address << ":" << kind << "\n";
            return 2;
        }
    }
    if (!linkPath.empty() && !sim.linkTo(linkPath)) {
        std::cerr << "dgh-sim: cannot link " << linkPath << "\n";
        return 1;
    }
    const std::string announced = announcementLink();
    if (!sim.linkTo(announced))
        std::cerr << "dgh-sim: cannot announce the line in " << announced << "\n";
    std::cout << sim.devicePath() << std::endl;
    // Without SA_RESTART, so that a signal also ends a read of standard input that waits on
    // a terminal or a FIFO nobody writes to.
    struct sigaction stop {};
    stop.sa_handler = onSignal;
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);

    std::string line;
    bool quit = false;
    while (!g_stop && std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command, a, b;
        words >> command >> a >> b;
        if (command == "quit") {
            quit = true;
            break;
        }
        if (command == "fault" && !applyFault(sim, a, b))
            std::cerr << "dgh-sim: bad fault\n";
        else if (command == "reply" && a.size() == 1 && b.empty())
            sim.clearReply(a[0]); // back to the drifting readings
        else if (command == "reply" && a.size() == 1)
            sim.setReply(a[0], b);
        else if (command == "buffer" && !putInBuffer(sim, a, b))
            std::cerr << "dgh-sim: bad buffer\n";
        else if (command == "drop")
            sim.dropOffLine();
        else if (command == "frames")
            for (const std::string& f : sim.frames())
                std::cout << f << "\n";
        std::cout.flush();
    }
    // Standard input closed (started in the background): keep answering until a signal.
    while (!g_stop && !quit)
        pause();
    if (printFrames)
        for (const std::string& f : sim.frames())
            std::cout << f << "\n";
    if (!linkPath.empty())
        ::unlink(linkPath.c_str());
    ::unlink(announced.c_str());
    return 0;
}
