#pragma once

#include "state/Param.h"
#include "state/ParamSpace.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// The remote page's messages, both ways, as JSON text. What a page sends is
// read here into parameter changes with the same checks as typed values;
// the parsing is pure, so the server's I/O thread does it. Building the
// messages from the record's values is for the message thread.
namespace RemoteMessages
{
// The largest message a page may send, in bytes.
inline constexpr std::size_t largestIncoming = 4096;

// {"type":"set","param":"output.1.band.2.gain","value":"-3.5"}
struct Set
{
    Param param;
    ParamValue value;
};
// {"type":"curve","outputs":[1,3]}: outputs counted from 1 on the page, from 0 here.
struct CurveRequest
{
    std::vector<int> outputs;
};
// {"type":"ping"}: keeps an idle page's connection open.
struct Ping
{
};
using Request = std::variant<Set, CurveRequest, Ping>;

// Nothing, with why (a sentence for the page), for text that is not one of
// the requests above with values the parameter can take.
std::optional<Request> parse (std::string_view text, std::string& why);

using Values = std::vector<std::pair<Param, ParamValue>>;

// The first message to a page: every value, whether a processor is
// connected, and what the controls need to step like the panels' (the
// frequency and bandwidth tables, the limits, the slopes each cut type takes).
std::string state (bool connected, int clients, const Values& values);
// What one announced change of the record moved.
std::string changes (const Values& values);
std::string status (bool connected, int clients);
// The levels of the outputs at frequencies from 20 Hz to 20 kHz: each point
// is the frequency and then one level in dB per output, in their order.
std::string curve (const std::vector<int>& outputs, const std::vector<std::vector<double>>& levels,
                   const std::vector<double>& frequencies);
std::string error (const std::string& message);

// The frequencies a curve is given at: log-spaced over 20 Hz..20 kHz.
std::vector<double> curveFrequencies();
} // namespace RemoteMessages
