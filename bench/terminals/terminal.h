#pragma once

#include <functional>
#include <string>
#include <vector>

// A terminal program people use to log a serial port to a file: how to start
// it headless on a device, what it prints once the device is set up, and the
// keys that make it quit (and write out what it still holds).
struct Terminal {
    std::string name;
    std::function<std::vector<std::string>(const std::string& device, const std::string& log)> argv;
    std::string readyText;
    std::string quitKeys;
};

// tio --log and picocom --logfile. Both start without character maps on what
// they receive (their defaults), so every byte value passes unchanged.
const std::vector<Terminal>& terminals();

// One terminal's capture of n bytes of the source from a pty into target.
struct TerminalRun {
    double seconds = 0;
    std::string failure; // empty when the program ran to the end
};
TerminalRun runTerminal(const Terminal& terminal, const std::string& source, const std::string& target, size_t n);
