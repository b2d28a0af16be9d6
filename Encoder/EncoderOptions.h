#pragma once

#include <optional>
#include <string>
#include <vector>

// What one command line of the encoder asks for.
struct EncoderOptions
{
    bool overwrite = false;          // -y
    std::string input;               // -i PATH
    std::string codec;               // -acodec NAME
    std::string format;              // -f NAME
    std::optional<int> bitrateKbps;  // -ab N
    std::optional<int> volumePercent; // -vol N
    std::optional<int> channels;     // -ac N
    std::optional<int> sampleRate;   // -ar N
    std::optional<double> startSeconds; // -ss HH:MM:SS
    std::optional<long long> lengthSeconds; // -t N
    std::string output;              // the last argument
};

// Reads the arguments after the program name. On a bad command line it
// returns nothing and sets a one-line message.
std::optional<EncoderOptions> ParseEncoderArguments(const std::vector<std::string> &arguments, std::string *error);

// Reads a start time "HH:MM:SS" (hours may have more digits, seconds may
// have a fraction); nothing for any other text.
std::optional<double> ParseTimeText(const std::string &text);
