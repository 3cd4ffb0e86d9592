#include "remote/RemoteMessages.h"

#include "common/EqTables.h"
#include "device/Protocol.h"
#include "state/ValueRules.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace RemoteMessages
{
namespace
{
using json = nlohmann::json;

std::string text (const juce::String& s)
{
    return s.toStdString();
}

json valuesObject (const Values& values)
{
    auto object = json::object();
    for (const auto& [param, value] : values)
        object[text (param.toString())] = text (ParamSpace::format (param, value));
    return object;
}

// JSON as the page reads it; text that is not UTF-8 (a channel name read
// back from the processor) is replaced rather than thrown on.
std::string dump (const json& j)
{
    return j.dump (-1, ' ', false, json::error_handler_t::replace);
}

double rounded (double value, double unit)
{
    return std::isfinite (value) ? std::round (value / unit) * unit : 0.0;
}
} // namespace

std::optional<Request> parse (std::string_view message, std::string& why)
{
    if (message.size() > largestIncoming)
    {
        why = "message too long";
        return std::nullopt;
    }
    const auto j = json::parse (message.begin(), message.end(), nullptr, false);
    if (j.is_discarded() || !j.is_object())
    {
        why = "not a JSON object";
        return std::nullopt;
    }
    const auto type = j.find ("type");
    if (type == j.end() || !type->is_string())
    {
        why = "no message type";
        return std::nullopt;
    }
    const auto has = [&j] (std::initializer_list<const char*> keys)
    {
        if (j.size() != keys.size())
            return false;
        for (const auto* key : keys)
            if (!j.contains (key))
                return false;
        return true;
    };

    const auto& kind = type->get_ref<const std::string&>();
    if (kind == "ping" && has ({ "type" }))
        return Request (Ping{});
    if (kind == "set")
    {
        if (!has ({ "type", "param", "value" }) || !j["param"].is_string() || !j["value"].is_string())
        {
            why = "a set takes the text fields param and value";
            return std::nullopt;
        }
        juce::String reason;
        const auto param =
            Param::fromString (juce::String::fromUTF8 (j["param"].get_ref<const std::string&>().c_str()), &reason);
        if (!param)
        {
            why = text (reason);
            return std::nullopt;
        }
        const auto& typed = j["value"].get_ref<const std::string&>();
        // A name is never longer than 8 characters, a number than a few dozen.
        if (typed.size() > 64 || typed.find ('\0') != std::string::npos)
        {
            why = text (param->toString()) + ": value too long";
            return std::nullopt;
        }
        const auto value = ParamSpace::parse (*param, juce::String::fromUTF8 (typed.c_str()), &reason);
        if (!value)
        {
            why = text (reason);
            return std::nullopt;
        }
        return Request (Set{ *param, *value });
    }
    if (kind == "curve")
    {
        if (!has ({ "type", "outputs" }) || !j["outputs"].is_array() || j["outputs"].size() > Protocol::outputCount)
        {
            why = "a curve takes outputs, a list of up to 6 outputs";
            return std::nullopt;
        }
        CurveRequest request;
        for (const auto& output : j["outputs"])
        {
            const auto number = output.is_number_integer() ? output.get<long long>() : 0LL;
            if (number < 1 || number > Protocol::outputCount ||
                std::find (request.outputs.begin(), request.outputs.end(), (int) number - 1) != request.outputs.end())
            {
                why = "outputs are numbered 1 to 6, each once";
                return std::nullopt;
            }
            request.outputs.push_back ((int) number - 1);
        }
        return Request (request);
    }
    why = "unknown message type";
    return std::nullopt;
}

std::string state (bool connected, int clients, const Values& values)
{
    json tables;
    for (int i = 0; i <= eqFrequencyLastDistinctIndex; ++i)
        tables["freq"].push_back (text (
            ParamSpace::format (Param::out (0, Param::Kind::bandFrequency, 0), (double) EQFrequencyTable[(size_t) i])));
    for (int i = 0; i <= eqBandwidthLastDistinctIndex; ++i)
        tables["bw"].push_back (text (
            ParamSpace::format (Param::out (0, Param::Kind::bandWidth, 0), (double) EQBandwidthTable[(size_t) i])));

    // What each cut type offers, in the slopes' text forms.
    const Param type = Param::out (0, Param::Kind::cutType, 0), slope = Param::out (0, Param::Kind::cutSlope, 0);
    json slopes = json::object();
    for (int t = 0; t < Protocol::cutFilterTypeCount; ++t)
    {
        auto& list = slopes[text (ParamSpace::format (type, t))];
        list = json::array();
        for (int k = 0; k < Protocol::cutFilterTapsCount; ++k)
            if (Protocol::isCutFilterAllowed (t, k))
                list.push_back (text (ParamSpace::format (slope, k)));
    }

    const Param delay = Param::out (0, Param::Kind::delay, 0);
    const auto delayMs = [&delay] (int steps) { return ParamSpace::format (delay, steps).getDoubleValue(); };
    constexpr int largestDelaySteps = 5760;
    json limits = { { "gain", { ValueRules::minimumGain, ValueRules::maximumGain } },
                    { "bandGain", { ValueRules::minimumBandGain, ValueRules::maximumBandGain } },
                    { "limiter", { ValueRules::minimumThreshold, ValueRules::maximumThreshold } },
                    { "delay", { 0.0, delayMs (largestDelaySteps) } },
                    { "delayStep", delayMs (1) } };

    return dump ({ { "type", "state" },
                   { "connected", connected },
                   { "clients", clients },
                   { "values", valuesObject (values) },
                   { "tables", tables },
                   { "slopes", slopes },
                   { "limits", limits } });
}

std::string changes (const Values& values)
{
    return dump ({ { "type", "changes" }, { "values", valuesObject (values) } });
}

std::string status (bool connected, int clients)
{
    return dump ({ { "type", "status" }, { "connected", connected }, { "clients", clients } });
}

std::string curve (const std::vector<int>& outputs, const std::vector<std::vector<double>>& levels,
                   const std::vector<double>& frequencies)
{
    auto numbers = json::array();
    for (const int o : outputs)
        numbers.push_back (o + 1);
    auto points = json::array();
    for (size_t p = 0; p < frequencies.size(); ++p)
    {
        auto point = json::array ({ rounded (frequencies[p], 0.1) });
        for (const auto& curve : levels)
            point.push_back (rounded (p < curve.size() ? curve[p] : 0.0, 0.01));
        points.push_back (std::move (point));
    }
    return dump ({ { "type", "curve" }, { "outputs", numbers }, { "points", points } });
}

std::string error (const std::string& message)
{
    return dump ({ { "type", "error" }, { "message", message } });
}

std::vector<double> curveFrequencies()
{
    constexpr int perDecade = 40, decades = 3;
    std::vector<double> hz;
    for (int i = 0; i <= perDecade * decades; ++i)
        hz.push_back (20.0 * std::pow (10.0, (double) i / perDecade));
    return hz;
}
} // namespace RemoteMessages
