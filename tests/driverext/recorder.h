#pragma once

#include "driverext/messagesink.h"

#include <string>
#include <vector>

// Stands in for the message boxes: keeps every text in the order shown.
struct Recorder {
    std::vector<std::string> texts;
    driverext::MessageSink sink()
    {
        return [this](const std::string& text) { texts.push_back(text); };
    }
};
