#include "EncoderOptions.h"

#include <cctype>
#include <cstdlib>
#include <set>

namespace {

bool AllDigits(const std::string &text)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::optional<int> ParseCount(const std::string &text)
{
    if (!AllDigits(text))
        return std::nullopt;
    return std::atoi(text.c_str());
}

bool IsFrameSize(const std::string &text)
{
    const auto x = text.find('x');
    return x != std::string::npos && AllDigits(text.substr(0, x)) && AllDigits(text.substr(x + 1));
}

} // namespace

std::optional<double> ParseTimeText(const std::string &text)
{
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? std::string::npos : text.find(':', first + 1);
    if (second == std::string::npos || text.find(':', second + 1) != std::string::npos)
        return std::nullopt;
    const std::string hours = text.substr(0, first);
    const std::string minutes = text.substr(first + 1, second - first - 1);
    std::string seconds = text.substr(second + 1);
    std::string fraction;
    if (const auto dot = seconds.find('.'); dot != std::string::npos) {
        fraction = seconds.substr(dot + 1);
        seconds.resize(dot);
        if (fraction.empty() || !AllDigits(fraction.substr(0, 9)) || fraction.size() > 9)
            return std::nullopt;
    }
    if (!AllDigits(hours) || !AllDigits(minutes) || !AllDigits(seconds))
        return std::nullopt;
    const double value = std::atof(hours.c_str()) * 3600 + std::atof(minutes.c_str()) * 60 + std::atof(seconds.c_str())
        + (fraction.empty() ? 0.0 : std::atof(("0." + fraction).c_str()));
    return value;
}

std::optional<EncoderOptions> ParseEncoderArguments(const std::vector<std::string> &arguments, std::string *error)
{
    static const std::set<std::string> codecs = {"amr_nb", "aac", "mp3", "ac3", "vorbis", "pcm_s16le"};
    auto fail = [error](const std::string &message) {
        *error = message;
        return std::nullopt;
    };
    if (arguments.empty())
        return fail("no output file given");

    EncoderOptions options;
    options.output = arguments.back();
    // The output path is always the last argument, even when it begins with "-".
    const size_t optionCount = arguments.size() - 1;
    for (size_t i = 0; i < optionCount; ++i) {
        const std::string &name = arguments[i];
        if (name == "-y") {
            options.overwrite = true;
            continue;
        }
        if (name == "-vn")
            continue;
        static const std::set<std::string> withValue = {"-i", "-acodec", "-s", "-b", "-ab", "-vol",
                                                        "-ac", "-ar", "-ss", "-t", "-f"};
        if (!withValue.count(name))
            return fail(name.size() > 0 && name[0] == '-' ? "unknown option '" + name + "'"
                                                          : "unexpected argument '" + name + "'");
        if (i + 1 >= optionCount)
            return fail("option '" + name + "' needs a value");
        const std::string &value = arguments[++i];
        auto needNumber = [&](std::optional<int> &target, int minimum) -> bool {
            target = ParseCount(value);
            return target && *target >= minimum;
        };
        bool ok = true;
        if (name == "-i") {
            options.input = value;
        } else if (name == "-acodec") {
            if (!codecs.count(value))
                return fail("unknown audio codec '" + value + "'");
            options.codec = value;
        } else if (name == "-f") {
            options.format = value;
        } else if (name == "-s") {
            ok = IsFrameSize(value);
        } else if (name == "-b") {
            std::optional<int> videoBitrate;
            ok = needNumber(videoBitrate, 0);
        } else if (name == "-ab") {
            ok = needNumber(options.bitrateKbps, 1);
        } else if (name == "-vol") {
            ok = needNumber(options.volumePercent, 0);
        } else if (name == "-ac") {
            ok = needNumber(options.channels, 1) && *options.channels <= 8;
        } else if (name == "-ar") {
            ok = needNumber(options.sampleRate, 1000) && *options.sampleRate <= 384000;
        } else if (name == "-ss") {
            options.startSeconds = ParseTimeText(value);
            ok = options.startSeconds.has_value();
        } else if (name == "-t") {
            std::optional<int> length;
            ok = needNumber(length, 1);
            if (ok)
                options.lengthSeconds = *length;
        }
        if (!ok)
            return fail("invalid value '" + value + "' for option '" + name + "'");
    }
    if (options.input.empty())
        return fail("no input file given (-i)");
    return options;
}
