#pragma once

#include <functional>
#include <string>

namespace driverext {

// Where the commands put what the user is to read. The user interface shows
// each text in a modal message box and returns when it has been dismissed, so
// a command's next step runs only after the user has seen the text.
using MessageSink = std::function<void(const std::string&)>;

// Shows a text when there is anyone to show it to.
inline void say(const MessageSink& sink, const std::string& text)
{
    if (sink) sink(text);
}

} // namespace driverext
