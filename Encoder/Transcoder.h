#pragma once

#include <cstdio>
#include <string>

#include "EncoderOptions.h"

// Converts the best audio stream of the input into the output file that the
// options describe, writing progress reports to the given stream. Returns
// true when the output file is complete; otherwise sets a one-line message
// and leaves no output file behind.
bool Transcode(const EncoderOptions &options, std::FILE *progress, std::string *error);
