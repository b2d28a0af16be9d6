#pragma once

#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

// Applies a volume gain to planar float audio and holds the result below a
// ceiling with a look-ahead peak limiter: the gain falls smoothly before a
// loud passage arrives and recovers slowly after it, so nothing is clipped
// or wrapped. The output is delayed by the look-ahead; Flush() gives back the
// samples still held, so the output has exactly as many samples as the input.
class Limiter final
{
public:
    Limiter(int channels, int sampleRate, double gain, double ceiling = 0.97);

    // Processes frames of planar samples; returns how many were written to
    // out (which needs room for count samples per channel).
    size_t Process(const float *const *in, size_t count, float *const *out);
    // Writes the held samples; returns how many.
    size_t Flush(float *const *out);
    size_t Delay() const { return m_lookAhead; }

private:
    bool Push(const float *frame, float *const *out, size_t index);

    int m_channels;
    double m_gain;
    double m_ceiling;
    size_t m_lookAhead;
    double m_release;

    // Samples waiting for their gain, per channel, oldest first.
    std::vector<std::deque<float>> m_delayed;
    // Required gains in the min window, as (position, gain), increasing gains.
    std::deque<std::pair<size_t, double>> m_minWindow;
    // The released minimum gains over the averaging window.
    std::deque<double> m_average;
    double m_averageSum = 0;
    double m_released = 1.0;
    size_t m_position = 0;
};
