// Fault drills: the ways a gateway can misbehave that the console has to survive.
#pragma once

#include "options.h"

#include <cstdint>
#include <random>

namespace tarngw {

class Gateway;
struct Session;

class Drills
{
public:
    explicit Drills(const Options& options);

    // One decision per reply to an agent request (--drop-rate).
    bool dropReply();
    bool unclosedQuote() const { return unclosedQuote_; }
    // The --hostile frames sent to a console right after its login and announcements.
    void afterLogin(Gateway& gateway, Session& session);

private:
    const Options& options_;
    std::mt19937 random_;
    bool unclosedQuote_ = false;
};

} // namespace tarngw
