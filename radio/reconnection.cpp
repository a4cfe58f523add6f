#include "reconnection.h"

#include "file_error.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace vantrel {

std::string SecondsText(double seconds) {
    std::ostringstream text;
    text << seconds << " s";
    return text.str();
}

Reconnection::Reconnection(std::string name, LiveRadioSettings settings)
    : name_(std::move(name)), settings_(std::move(settings)) {}

void Reconnection::Say(const std::string& line) {
    if (!said_ && settings_.notice)
        settings_.notice(name_ + ": " + line);
    said_ = true;
}

void Reconnection::PutOff() {
    nextTry_ = Clock::now() + wait_;
    wait_ = std::min(wait_ * 2, LongestWait);
}

void Reconnection::Failed(const std::string& reason) {
    if (!everReached_ && !settings_.waitAtStart)
        throw FileError(name_, reason);
    Say(reason + (everReached_ ? "; reconnecting" : "; waiting for it"));
    PutOff();
}

void Reconnection::Lost(const std::string& reason) {
    ++breaks_;
    said_ = false;
    Say(reason + "; reconnecting");
    // A server that drops every connection at once is not hammered: the first try after a
    // loss waits too.
    PutOff();
}

void Reconnection::Reached() {
    everReached_ = true;
    said_ = false;
    wait_ = FirstWait;
}

Reconnection::Clock::duration Reconnection::UntilDue() const {
    return std::max(Clock::duration::zero(), nextTry_ - Clock::now());
}

} // namespace vantrel
