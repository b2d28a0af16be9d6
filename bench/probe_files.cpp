// Probes every file named on standard input, one per line, with the
// program's media probe, and prints the files probed, the seconds taken and
// the sum of the durations found.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include <QString>

#include "Unit_CommonLib.h"

int main()
{
    std::string line;
    long files = 0;
    long long seconds = 0;
    const auto start = std::chrono::steady_clock::now();
    while (std::getline(std::cin, line)) {
        seconds += TCommonLib::ProbeDurationSeconds(QString::fromStdString(line));
        ++files;
    }
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    std::printf("%ld %.6f %lld\n", files, taken.count(), seconds);
    return 0;
}
