#include "Limiter.h"

#include <algorithm>
#include <cmath>

Limiter::Limiter(int channels, int sampleRate, double gain, double ceiling)
    : m_channels(channels), m_gain(gain), m_ceiling(ceiling),
      m_lookAhead(static_cast<size_t>(std::max(1, sampleRate / 200))),  // 5 ms
      m_release(1.0 - std::exp(-1.0 / (0.05 * sampleRate))),             // 50 ms
      m_delayed(static_cast<size_t>(channels))
{
}

// Takes one frame in and, once the look-ahead is full, gives the oldest held
// frame out. The gain that reaches a frame is the average of the last
// look-ahead windowed minima, each of which covers that frame, so it never
// exceeds the gain the frame needs, and it changes smoothly.
bool Limiter::Push(const float *frame, float *const *out, size_t index)
{
    double peak = 0;
    for (int c = 0; c < m_channels; ++c) {
        const float scaled = static_cast<float>(frame[c] * m_gain);
        peak = std::max(peak, static_cast<double>(std::fabs(scaled)));
        m_delayed[static_cast<size_t>(c)].push_back(scaled);
    }
    const double required = peak > m_ceiling ? m_ceiling / peak : 1.0;

    while (!m_minWindow.empty() && m_minWindow.back().second >= required)
        m_minWindow.pop_back();
    m_minWindow.emplace_back(m_position, required);
    while (m_minWindow.front().first + m_lookAhead < m_position)
        m_minWindow.pop_front();
    const double minimum = m_minWindow.front().second;
    ++m_position;

    m_released = std::min(minimum, m_released + (1.0 - m_released) * m_release);
    m_average.push_back(m_released);
    m_averageSum += m_released;
    if (m_average.size() > m_lookAhead) {
        m_averageSum -= m_average.front();
        m_average.pop_front();
    }

    if (m_delayed[0].size() <= m_lookAhead)
        return false;
    const double applied = m_averageSum / static_cast<double>(m_average.size());
    for (int c = 0; c < m_channels; ++c) {
        auto &line = m_delayed[static_cast<size_t>(c)];
        out[c][index] = std::clamp(static_cast<float>(line.front() * applied), -1.0f, 1.0f);
        line.pop_front();
    }
    return true;
}

size_t Limiter::Process(const float *const *in, size_t count, float *const *out)
{
    std::vector<float> frame(static_cast<size_t>(m_channels));
    size_t written = 0;
    for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < m_channels; ++c)
            frame[static_cast<size_t>(c)] = in[c][i];
        if (Push(frame.data(), out, written))
            ++written;
    }
    return written;
}

size_t Limiter::Flush(float *const *out)
{
    // Silence pushes the held frames out; the silence itself stays behind.
    const std::vector<float> silence(static_cast<size_t>(m_channels), 0.0f);
    size_t written = 0;
    for (size_t i = 0; i < m_lookAhead; ++i)
        if (Push(silence.data(), out, written))
            ++written;
    for (auto &line : m_delayed)
        line.clear();
    return written;
}
